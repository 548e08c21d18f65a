// Test effect: fills the quad with a parameter colour, optionally modulated by a texture. It
// also declares what a scene-aware handle uploads, so scene handles can be made on it.
float4x4 worldViewProjection;
float4 color;
float strength;
float deltaTime;
float time;
float4x4 viewProjection;
float4x4 projection;
float4x4 projectionInv;
float z_far;
float z_near;
texture tex {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};
texture depthTex;

vertex Quad {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  void main() {
    texCoord = uv;
    gl_Position = vec4(position, 1.0) * worldViewProjection;
  }
}

fragment Fill {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 target;
  void main() { target = color * strength; }
}

technique Fill {
  pass 0 {
    VertexShader = Quad;
    FragmentShader = Fill;
    ZEnable = false;
    CullMode = None;
  }
  pass 1 {
    VertexShader = Quad;
    FragmentShader = Fill;
    ZEnable = false;
    CullMode = None;
  }
}
