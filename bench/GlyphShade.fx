// Glyph preview: a lit surface with a checker from texture coordinate set 0, so that both the
// shape and the generated coordinates show.
float4x4 worldViewProjection;
float4 color;

vertex Lit {
  layout(location = POSITION) in vec3 position;
  layout(location = NORMAL) in vec3 normal;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec3 surfaceNormal;
  out vec2 texCoord;
  void main() {
    surfaceNormal = normal;
    texCoord = uv;
    gl_Position = vec4(position, 1.0) * worldViewProjection;
  }
}

fragment Shade {
  in vec3 surfaceNormal;
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 target;
  void main() {
    vec3 n = normalize(surfaceNormal);
    float light = max(dot(n, normalize(vec3(-0.4, 0.6, -0.7))), 0.0);
    vec2 cell = floor(texCoord * 4.0);
    float checker = mod(cell.x + cell.y, 2.0) < 1.0 ? 1.0 : 0.8;
    target = vec4(color.rgb * checker * (0.3 + 0.7 * light), 1.0);
  }
}

technique Shade {
  pass 0 {
    VertexShader = Lit;
    FragmentShader = Shade;
    ZEnable = true;
    CullMode = CCW;
  }
}
