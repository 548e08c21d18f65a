// Test effect: paints one colour into a pixel rectangle of the bound target (nothing
// outside it), so tests can write colour, encoded motion and depth values where they want.
float4x4 worldViewProjection;
float4 rect;   // left, top, right, bottom in pixels; right and bottom excluded
float4 color;

vertex Quad {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  void main() { gl_Position = vec4(position, 1.0) * worldViewProjection; }
}

fragment Paint {
  layout(location = COLOR0) out vec4 target;
  void main() {
    vec2 p = gl_FragCoord.xy;
    if (p.x < rect.x || p.y < rect.y || p.x >= rect.z || p.y >= rect.w) discard;
    target = color;
  }
}

technique Paint {
  pass 0 {
    VertexShader = Quad;
    FragmentShader = Paint;
    ZEnable = false;
    CullMode = None;
  }
}
