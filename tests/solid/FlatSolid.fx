// Test effect: declares what the solid-object shader sets and paints the diffuse colour flat,
// so a material that names it shows which effect drew it.
struct Material {
  float4 ambient;
  float4 diffuse;
  float4 specular;
  float specularPower;
  float lightBleed;
  bool lightBleedEnabled;
  float limitIllumination;
  float bumpiness;
};

struct DirectionalLight {
  float3 dir;
  float4 color;
};

struct PointLight {
  float4 position;
  float4 color;
  float power;
  float intensity;
};

float deltaTime;
float time;
float4x4 viewProjection;
float4x4 projection;
float4x4 projectionInv;
float z_far;
float z_near;

float4x4 worldViewProjection;
float4x4 worldViewProjInv;
float4x4 world;
float4x4 worldView;
float4x4 worldInv;
float4x4 velocityTransform;

Material material;
float4 environmentAmbient;
bool enableNormalmap;
int blendMode;
float blendFactor;
DirectionalLight directionallight;
bool enableDirectionallight;
float velocityScale;
int pointLightAmount;
PointLight pointLight[10];

texture tex {
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};
texture normalmap {
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};
texture depthTex;

vertex FlatVertex {
  layout(location = POSITION) in vec3 position;
  void main() { gl_Position = vec4(position, 1.0) * worldViewProjection; }
}

fragment FlatPixel {
  layout(location = COLOR0) out vec4 colour;
  void main() { colour = vec4(material.diffuse.rgb, 1.0); }
}

technique Flat {
  pass 0 {
    VertexShader = FlatVertex;
    FragmentShader = FlatPixel;
  }
}
