// SolidObject.fx: the lit solids of a scene. One pass writes four pictures at once: the
// colour (slot 0), the per-pixel motion (slot 1), the depth (slot 2) and the normal (slot 3).
//
// Extra buffers, as the post effects read them. The scene clears all three to A = 255,
// R = G = B = 128 before it draws, so a pixel no solid covers reads as "still, no depth,
// no normal".
//
// Slot 1, blur map (A8R8G8B8):
//   R and G hold the pixel's screen-space motion during a fixed shutter of 1/60 s,
//   m = (mx, my) in picture units: x to the right, y downwards, 1 = the picture's whole
//   width resp. height. The motion since the previous motion update, deltaTime seconds
//   before, is scaled by (1/60) / deltaTime, so a streak does not grow with the frame time:
//   a 10 fps run blurs as a 60 fps run does, and a slow frame is not smeared into a band.
//   Encoded e = clamp(m / velocityScale, -1, 1),
//   R = (128 + 127 * e.x) / 255, G = (128 + 127 * e.y) / 255, so 128 is exactly still and
//   velocityScale is the motion per update that fills the range (the invitation sets 0.05).
//   B = 128 / 255, A = 1 where a solid drew.
//   Decoding: e = (255 * RG - 128) / 127.
// Slot 2, depth (R32F): view-space z divided by "z_far" (0 at the eye, 1 at the far plane).
// Slot 3, normal (A8R8G8B8): the view-space unit normal * 0.5 + 0.5 in RGB, A = 1.
//
// Motion: velocityTransform is (world x view of the last motion update) minus (that of the
// update before); the previous view position of a vertex p is p * worldView -
// p * velocityTransform. Both the current and the previous view position are projected with
// "projection" and the difference of their screen positions is the motion.
//
// Lighting is computed per pixel in world space: ambient, plus for every point light and the
// directional light a diffuse term (wrapped past the terminator by material.lightBleed when
// it is enabled) and a Phong specular term around the mirror direction. A point light falls
// off with distance d as 1 / (1 + 0.01 d^2)^power; its colour arrives already multiplied by
// its intensity. directionallight.dir is the direction the light travels. A texture in
// "tex" (texture set 0) modulates the diffuse colour; an untextured solid keeps its own
// colour. The normal map (tangent space, read with texture set 1, the set the mesh builds its
// tangent frame from) tilts the normal through that frame (tangent in texture set 2,
// binormal in set 3) by material.bumpiness. material.limitIllumination caps every colour
// channel where it is above 0. Alpha is 1, or blendFactor in the blend modes 1 and 2.
//
// The pass sets no blend or depth state (the shader sets those from the material) and does
// not sample "depthTex": the depth buffer is render target 2 while solids draw.

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

// Worked out once per draw from the parameters above (preshaders), so that no pixel pays for
// them: the camera's view matrix, and the eye, the point the view matrix takes to the origin,
// in world space (w = 1).
float4x4 view = worldInv * worldView;
float4 eye = float4(0, 0, 0, 1) * inverse(view);

texture tex {
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Wrap;
  AddressV = Wrap;
};
// The normal map is read from its nearest level, filtered within it: blending two levels
// doubles the fetch's cost on a CPU rasterizer for a change of the bumps' detail that the
// picture does not show (a few pixels of a level at most, by 1 to 3 levels of 255).
texture normalmap {
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Point;
  AddressU = Wrap;
  AddressV = Wrap;
};
texture depthTex;

// Cost. The letters are refined into triangles of one or two pixels, so on a CPU rasterizer
// setting up and storing every interpolated value of a triangle costs as much as shading its
// pixels, and the stored values are most of the rasterizer's memory. The vertex stage hands
// on few values: what is the same for the whole draw (the eye and the view rotation) comes
// from the preshaders above, and the motion is finished per vertex (over such small
// triangles the per-vertex motion is the per-pixel motion).
vertex SolidVertex {
  layout(location = POSITION) in vec3 position;
  layout(location = NORMAL) in vec3 normal;
  layout(location = TEXCOORD0) in vec2 uv0;
  layout(location = TEXCOORD1) in vec2 uv1;
  layout(location = TEXCOORD2) in vec3 tangent;
  layout(location = TEXCOORD3) in vec3 binormal;
  out vec4 worldPositionAndDepth;  // xyz: world position; w: view-space z
  out vec3 worldNormal;
  out vec3 worldTangent;
  out vec3 worldBinormal;
  out vec4 textureCoordinates;  // xy: texture set 0 ("tex"); zw: set 1 (the normal map)
  out vec2 motion;              // picture units, see the blur map above
  flat out float textured;      // 1 where "tex" holds a picture, else 0

  const float kShutterSeconds = 1.0 / 60.0;

  // A mesh without a tangent frame hands on zero vectors: the pixel stage then skips the map.
  vec3 unitOrZero(vec3 v) { return dot(v, v) > 1e-24 ? normalize(v) : vec3(0.0); }

  // Picture units: x to the right, y downwards, 1 = the whole width or height.
  vec2 screen(vec4 clip) { return vec2(0.5, -0.5) * clip.xy / max(clip.w, 1e-6); }

  void main() {
    vec4 p = vec4(position, 1.0);
    vec4 viewPosition = p * worldView;
    worldPositionAndDepth = vec4((p * world).xyz, viewPosition.z);
    // Normals go through the inverse transpose, which keeps them upright under scaling.
    worldNormal = (worldInv * vec4(normal, 0.0)).xyz;
    // Unit length here, so that a scaled world does not weigh the tilt against the normal.
    worldTangent = unitOrZero((vec4(tangent, 0.0) * world).xyz);
    worldBinormal = unitOrZero((vec4(binormal, 0.0) * world).xyz);
    textureCoordinates = vec4(uv0, uv1);
    vec4 previousViewPosition = viewPosition - p * velocityTransform;
    motion = screen(viewPosition * projection) - screen(previousViewPosition * projection);
    if (deltaTime > 0.0) motion *= kShutterSeconds / deltaTime;
    // A unit without a texture samples as opaque black everywhere, down to its last level;
    // a loaded picture's last level is its average colour. So an untextured solid keeps its
    // plain colour (as does, alike, a picture that is wholly opaque black).
    textured = textureLod(tex, vec2(0.5), 64.0) != vec4(0.0, 0.0, 0.0, 1.0) ? 1.0 : 0.0;
    gl_Position = p * worldViewProjection;
  }
}

fragment SolidPixel {
  in vec4 worldPositionAndDepth;
  in vec3 worldNormal;
  in vec3 worldTangent;
  in vec3 worldBinormal;
  in vec4 textureCoordinates;
  in vec2 motion;
  flat in float textured;
  layout(location = COLOR0) out vec4 colour;
  layout(location = COLOR1) out vec4 motionOut;
  layout(location = COLOR2) out vec4 depth;
  layout(location = COLOR3) out vec4 normalOut;

  float diffuseTerm(vec3 n, vec3 l) {
    float facing = dot(n, l);
    if (material.lightBleedEnabled) {
      facing = (facing + material.lightBleed) / (1.0 + material.lightBleed);
    }
    return max(facing, 0.0);
  }

  float specularTerm(vec3 n, vec3 l, vec3 v) {
    if (dot(n, l) <= 0.0) return 0.0;
    return pow(max(dot(reflect(-l, n), v), 0.0), max(material.specularPower, 1e-3));
  }

  void main() {
    vec3 worldPosition = worldPositionAndDepth.xyz;

    vec3 n = normalize(worldNormal);
    if (enableNormalmap && dot(worldTangent, worldTangent) > 1e-12 &&
        dot(worldBinormal, worldBinormal) > 1e-12) {
      vec3 bump = texture(normalmap, textureCoordinates.zw).xyz * 2.0 - 1.0;
      bump.xy *= material.bumpiness;
      // The tangent and binormal come unit length from the vertices; over triangles of a pixel
      // or two they stay within a hair of it, so only the tilted normal is normalised.
      n = normalize(worldTangent * bump.x + worldBinormal * bump.y + n * bump.z);
    }
    vec3 v = normalize(eye.xyz - worldPosition);
    // One round or none rather than an if: a CPU rasterizer runs both sides of an if for a
    // whole group of pixels, while a loop ends where no pixel of the group needs another
    // round, so the untextured letters skip the filtered fetch.
    vec4 surface = vec4(1.0);
    for (int i = 0; i < int(textured); ++i) surface = texture(tex, textureCoordinates.xy);
    vec3 diffuseColour = material.diffuse.rgb * surface.rgb;
    vec3 lit = material.ambient.rgb * surface.rgb + environmentAmbient.rgb;
    for (int i = 0; i < pointLightAmount && i < 10; ++i) {
      vec3 toLight = pointLight[i].position.xyz - worldPosition;
      float distance2 = dot(toLight, toLight);
      vec3 l = toLight * inversesqrt(max(distance2, 1e-12));
      float falloff = pow(1.0 + 0.01 * distance2, -pointLight[i].power);
      vec3 light = pointLight[i].color.rgb * falloff;
      lit += light * (diffuseColour * diffuseTerm(n, l) +
                      material.specular.rgb * specularTerm(n, l, v));
    }
    if (enableDirectionallight) {
      vec3 l = -normalize(directionallight.dir);
      vec3 light = directionallight.color.rgb;
      lit += light * (diffuseColour * diffuseTerm(n, l) +
                      material.specular.rgb * specularTerm(n, l, v));
    }
    if (material.limitIllumination > 0.0) lit = min(lit, vec3(material.limitIllumination));
    // A soft shoulder instead of a hard clip: a surface near the light (the letters pass within
    // a few units of the light that rides with the camera) keeps its texture and shading
    // instead of flattening into white, while highlights still come close enough to 1 for the
    // bloom to pick them out. Nearly linear below 0.3.
    lit = vec3(1.0) - exp(-1.15 * lit);
    float alpha = (blendMode == 1 || blendMode == 2) ? blendFactor : 1.0;
    colour = vec4(lit, alpha);

    float scale = velocityScale > 0.0 ? velocityScale : 1.0;
    vec2 e = clamp(motion / scale, -1.0, 1.0);
    motionOut = vec4((128.0 + 127.0 * e) / 255.0, 128.0 / 255.0, 1.0);
    float viewDepth = worldPositionAndDepth.w;
    depth = vec4(z_far > 0.0 ? viewDepth / z_far : viewDepth, 0.0, 0.0, 1.0);
    // The view matrix is a rotation and a move, so the turned normal stays unit length.
    normalOut = vec4(n * mat3(view) * 0.5 + 0.5, 1.0);
  }
}

technique SolidObject {
  pass 0 {
    VertexShader = SolidVertex;
    FragmentShader = SolidPixel;
  }
}
