// Test effect: draws the parameter colours into render-target slots 0 and 1 at once, declares
// the structs and arrays whose flattened names the tests address, and a parameter worked out
// from others for every draw.
struct Material {
  float4 ambient;
  float specularPower;
  bool lightBleedEnabled;
};

struct PointLight {
  float4 position;
  float4 color;
  float power;
};

Material material;
PointLight pointLight[10];
float3 direction;
float weights[4];
int count;
float4x4 worldViewProjection;
float4 color0;
float4 color1;
float unusedByShaders;
// Half of color0 moved by the translation of the inverse of worldViewProjection.
float4 worked = 0.5 * color0 + float4(0, 0, 0, 1) * inverse(worldViewProjection);
texture tex {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};

vertex Quad {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  void main() {
    texCoord = uv;
    gl_Position = vec4(position, 1.0) * worldViewProjection;
  }
}

fragment TwoColours {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 target0;
  layout(location = COLOR1) out vec4 target1;
  void main() {
    target0 = color0;
    target1 = color1 + 0.0 * (material.ambient + pointLight[9].color * float(count));
  }
}

fragment Worked {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 target0;
  void main() { target0 = worked; }
}

fragment Textured {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 target0;
  void main() { target0 = texture(tex, texCoord); }
}

technique TwoTargets {
  pass 0 {
    VertexShader = Quad;
    FragmentShader = TwoColours;
    ZEnable = false;
    CullMode = None;
  }
}

technique Blended {
  pass 0 {
    VertexShader = Quad;
    FragmentShader = Textured;
    ZEnable = false;
    ZWriteEnable = false;
    CullMode = None;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    BlendOp = Add;
  }
  pass 1 {
    VertexShader = Quad;
    FragmentShader = TwoColours;
    CullMode = CW;
  }
}

technique WorkedOut {
  pass 0 {
    VertexShader = Quad;
    FragmentShader = Worked;
    ZEnable = false;
    CullMode = None;
  }
}
