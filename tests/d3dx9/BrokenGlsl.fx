// Test effect with a GLSL error on line 11: fxc must fail and name this file and that line.
float4 color;

vertex Plain {
  layout(location = POSITION) in vec3 position;
  void main() { gl_Position = vec4(position, 1.0); }
}

fragment Broken {
  layout(location = COLOR0) out vec4 target0;
  void main() { target0 = colour; }
}

technique Broken {
  pass 0 {
    VertexShader = Plain;
    FragmentShader = Broken;
  }
}
