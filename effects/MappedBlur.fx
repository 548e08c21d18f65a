// MappedBlur.fx: motion blur of the scene's colour buffer along the scene's blur map.
//
// Inputs (all picture sized, read texel for texel with texelFetch):
//   tex       the scene's colour buffer (A8R8G8B8; alpha 0 where nothing drew).
//   blurMap   per-pixel screen motion, written by effects/SolidObject.fx into its second
//             output (COLOR1) and cleared by the scene to R = G = B = 128/255, A = 1.
//             R and G hold e = clamp(m / velocityScale, -1, 1), where m is the pixel's motion
//             since the previous motion update in picture units (x to the right, y downwards,
//             1 = the whole width resp. height), stored as (128 + 127 e) / 255; 128 is exactly
//             still. Decoding: e = (255 rg - 128) / 127.
//   depthTex  view-space z / z_far (R32F; 0 at the eye, 1 far), written by SolidObject.fx into
//             COLOR2; the scene's clear leaves 128/255 where nothing drew.
//   radius    the smear's half-length, in picture units, at e = 1: a pixel is averaged over
//             the line from -radius e to +radius e around it (x in widths, y in heights, so
//             the smear keeps the motion's direction on screen). The invitation's 0.015 with
//             its velocityScale of 0.05 makes the smear 0.6 of the distance moved in the blur
//             map's shutter of 1/60 s, whatever the frame rate: text crossing 2.5 % of a
//             640-pixel picture in 1/60 s (16 pixels) streaks over about 10 pixels, long
//             enough to read as motion, short enough to stay legible.
//
// Output, drawn additively (source alpha, one) over transparent black and later added to the
// frame the same way: the blend multiplies by the shader's alpha twice on the way into the
// target (colour by a, alpha by a, so the target holds a squared) and the composition
// multiplies by the target's alpha once more. For a smeared pixel with average premultiplied
// colour P and coverage A the shader writes (P / A, A^(1/3)): the target then holds
// (P A^(-2/3), A^(2/3)) and the composition adds exactly P. A still, opaque pixel passes
// unchanged; where nothing is, everything is 0.
//
// Cost (the CPU rasterizer at 640 x 359): a point fetch costs about 0.15 ms of CPU per
// full-screen pass, a bilinear fetch several times that and more again past eight in one
// shader; so every fetch here is a point fetch, and there are eleven (about 6.7 ms of CPU,
// half that on the rasterizer's two threads):
//   1 blur map and 1 depth at the pixel;
//   4 blur-map probes, left, right, above and below at 0.75 of the longest smear, so that a
//     pixel beside a moving object takes that object's motion and the smear reaches past the
//     silhouette. Smears up to 0.75 of the longest (all the invitation's) reach their full
//     length; longer ones end there. Probes farther out would step over thin objects such as
//     the strokes of the text.
//   5 colour samples along the motion, stratified with a per-pixel offset so that a sharp
//     edge becomes a fine-grained streak instead of five stepped copies; a still pixel takes
//     one, its own (7 fetches in all).
// Depth decides which pixels may take a neighbour's motion: a solid that is itself still
// stays sharp, so a far object's motion is never dragged over a nearer still one.

float4x4 worldViewProjection;
float radius;
texture depthTex {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};
texture blurMap {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};
texture tex {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};

vertex ScreenQuad {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  void main() {
    texCoord = uv;
    gl_Position = vec4(position, 1.0) * worldViewProjection;
  }
}

fragment Smear {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 color;

  const int kSamples = 5;
  const float kEmptyDepth = 128.0 / 255.0;
  const float kProbe = 0.75;

  ivec2 last;

  // R = G = 0 encodes no motion (the least value written is 1/255): it is what a missing
  // blur map reads as, and it means still, not the fastest motion up and to the left.
  vec2 motionAt(ivec2 p) {
    vec2 rg = texelFetch(blurMap, clamp(p, ivec2(0), last), 0).rg;
    return rg == vec2(0.0) ? vec2(0.0) : clamp((255.0 * rg - 128.0) / 127.0, -1.0, 1.0);
  }

  void main() {
    ivec2 size = textureSize(tex, 0);
    last = size - 1;
    ivec2 p = ivec2(gl_FragCoord.xy);
    // The smear of e = (1, 1), in pixels, each way.
    vec2 reach = vec2(size) * radius;

    vec2 e = motionAt(p);
    float depth = texelFetch(depthTex, p, 0).r;
    bool empty = abs(depth - kEmptyDepth) < 1e-6;
    // A still solid keeps its own (zero) motion; anything else takes the longest motion
    // around it, so a moving neighbour's smear spreads over it.
    bool moving = dot(e * reach, e * reach) >= 0.25;
    ivec2 stepX = ivec2(int(kProbe * reach.x + 0.5), 0);
    ivec2 stepY = ivec2(0, int(kProbe * reach.y + 0.5));
    vec2 probes[4] = vec2[4](motionAt(p - stepX), motionAt(p + stepX), motionAt(p - stepY),
                             motionAt(p + stepY));
    if (empty || moving) {
      for (int i = 0; i < 4; ++i) {
        vec2 candidate = probes[i] * reach;
        if (dot(candidate, candidate) > dot(e * reach, e * reach)) e = probes[i];
      }
    }
    vec2 smear = e * reach;
    if (dot(smear, smear) < 0.25) smear = vec2(0.0);  // under half a pixel: still

    // Interleaved gradient noise: a per-pixel offset of the samples within their strata.
    float jitter = fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
    // A still pixel's samples all fall on the pixel itself: it takes one. The loop's count
    // varies per pixel so that it ends early where a whole group of pixels is still, which
    // most of the picture is.
    int samples = smear == vec2(0.0) ? 1 : kSamples;
    vec3 premultiplied = vec3(0.0);
    float coverage = 0.0;
    for (int i = 0; i < samples; ++i) {
      float t = 2.0 * (float(i) + jitter) / float(kSamples) - 1.0;
      ivec2 q = clamp(ivec2(floor(gl_FragCoord.xy + t * smear)), ivec2(0), last);
      vec4 c = texelFetch(tex, q, 0);
      premultiplied += c.rgb * c.a;
      coverage += c.a;
    }
    premultiplied /= float(samples);
    coverage /= float(samples);
    if (coverage <= 0.0) {
      color = vec4(0.0);
    } else {
      color = vec4(min(premultiplied / coverage, vec3(1.0)), pow(coverage, 1.0 / 3.0));
    }
  }
}

technique MappedBlur {
  pass 0 {
    VertexShader = ScreenQuad;
    FragmentShader = Smear;
    ZEnable = false;
    ZWriteEnable = false;
    CullMode = None;
  }
}
