// Test effect: transformed positions in one flat colour, depth-tested, back faces culled.
float4x4 worldViewProjection;
float4 color;

vertex Transform {
  layout(location = POSITION) in vec3 position;
  void main() { gl_Position = vec4(position, 1.0) * worldViewProjection; }
}

fragment Flat {
  layout(location = COLOR0) out vec4 target0;
  void main() { target0 = color; }
}

technique Flat {
  pass 0 {
    VertexShader = Transform;
    FragmentShader = Flat;
    ZEnable = true;
    CullMode = CCW;
  }
}
