// BloomEffect.fx: a soft glow around the bright parts of a picture, in two passes.
//
// "tex" is the picture to glow (pass 0: the input, an A8R8G8B8 buffer whose pixels show
// rgb * a when added to the frame, as MappedBlur.fx writes them) and then the across-spread
// intermediate (pass 1). "radius" is how far the glow reaches, in picture widths, both across
// and down; "power" shapes which parts glow: each pixel's colour is weighted by its luminance
// raised to "power" (0: everything glows, 1: the glow grows with the square of the
// brightness, larger: only the brightest parts); "alpha" scales the glow.
//
// The glow kernel is a Gaussian with sigma = reach / 2.5, lowered by its own value at the
// reach so that it meets zero there smoothly: no edge, no ring, falling monotonically.
// A uniform bright area keeps its brightness; black stays black.
//
// Cost (CPU rasterizer, 640 x 359): a pass costs about 0.3 ms, a point fetch about 0.15 ms
// per full-screen pass and a bilinear one about 0.6 ms, so a direct 2 x 64-pixel separable
// blur would cost tens of milliseconds. Instead:
//   pass 0 draws only into a grid of cells at the top left of the intermediate target, one
//   cell per block of reach/8 x reach/4 pixels (8 x 16 at the invitation's 640 x 359, 80 x 23
//   cells, 1/128 of the pixels). Each cell sums its whole horizontal reach from point fetches
//   on a fixed 4-pixel lattice of the picture (32 columns x 8 rows), every fetch weighted by
//   its exact horizontal distance, so the glow follows a source pixel by pixel across, and
//   by a tent over the two neighbouring bands vertically, so the glow's height moves smoothly
//   from band to band. 256 fetches per cell are about two full-screen fetches in all. The
//   lattice means that bright features narrower than 4 pixels (8 at 1280 wide) may be missed.
//   pass 1 draws every pixel: the bands within the reach above and below (at most 9), each
//   interpolated between its two nearest cells across: 18 point fetches.
// The intermediate stores the square root of the glow, which keeps 8 bits enough for the
// faint tails. The output is written as MappedBlur.fx writes its own (colour / m, m^(1/3)
// with m the largest channel), so that the blend's and the composition's alpha factors
// together give back exactly the glow, and alpha is 0 where there is no glow.

float4x4 worldViewProjection;
texture tex {
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};
float radius;
float power;
float alpha;

// Both stages derive the same cell grid from the picture size and the reach.
vertex Cells {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  void main() {
    texCoord = uv;
    vec4 clip = vec4(position, 1.0) * worldViewProjection;
    ivec2 size = textureSize(tex, 0);
    float reach = max(radius * float(size.x), 1.0);
    int across = max(1, int(reach / 8.0 + 0.5));
    ivec2 cell = ivec2(across, 2 * across);
    vec2 share = vec2((size + cell - 1) / cell) / vec2(size);
    // The quad shrinks towards the top-left corner (clip x = -1, y = +1) to the grid's size.
    clip.xy = vec2(-1.0 + (clip.x + 1.0) * share.x, 1.0 - (1.0 - clip.y) * share.y);
    gl_Position = clip;
  }
}

vertex Screen {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  void main() {
    texCoord = uv;
    gl_Position = vec4(position, 1.0) * worldViewProjection;
  }
}

fragment Across {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 color;

  void main() {
    ivec2 size = textureSize(tex, 0);
    ivec2 last = size - 1;
    float reach = max(radius * float(size.x), 1.0);
    float sigma = reach / 2.5;
    float floorWeight = exp(-0.5 * 2.5 * 2.5);
    int across = max(1, int(reach / 8.0 + 0.5));
    ivec2 cellSize = ivec2(across, 2 * across);
    // The lattice step: 4 pixels at the invitation's size, scaled with the reach.
    int lattice = max(1, across / 2);
    ivec2 cell = ivec2(gl_FragCoord.xy);
    vec2 centre = (vec2(cell) + 0.5) * vec2(cellSize);

    // Lattice columns within the reach, and lattice rows within one band above and below.
    int firstColumn = int(ceil((centre.x - reach) / float(lattice) - 0.5));
    int columns = int(ceil(2.0 * reach / float(lattice))) + 1;
    int firstRow = int(ceil((centre.y - float(cellSize.y)) / float(lattice) - 0.5));
    int rows = 2 * cellSize.y / lattice + 1;

    vec3 sum = vec3(0.0);
    float acrossWeights = 0.0;
    float downWeights = 0.0;
    for (int r = 0; r < rows; ++r) {
      float y = (float(firstRow + r) + 0.5) * float(lattice);
      downWeights += max(1.0 - abs(y - centre.y) / float(cellSize.y), 0.0);
    }
    for (int c = 0; c < columns; ++c) {
      float x = (float(firstColumn + c) + 0.5) * float(lattice);
      float d = (x - centre.x) / sigma;
      float wx = max(exp(-0.5 * d * d) - floorWeight, 0.0);
      acrossWeights += wx;
      int px = int(x);
      if (wx <= 0.0 || px < 0 || px > last.x) continue;
      for (int r = 0; r < rows; ++r) {
        float y = (float(firstRow + r) + 0.5) * float(lattice);
        float wy = max(1.0 - abs(y - centre.y) / float(cellSize.y), 0.0);
        int py = int(y);
        if (py < 0 || py > last.y) continue;
        vec4 c4 = texelFetch(tex, ivec2(px, py), 0);
        vec3 shown = c4.rgb * c4.a;
        float luminance = dot(shown, vec3(0.299, 0.587, 0.114));
        sum += wx * wy * shown * pow(max(luminance, 1e-8), power);
      }
    }
    vec3 glow = sum / max(acrossWeights * downWeights, 1e-8);
    color = vec4(sqrt(clamp(glow, 0.0, 1.0)), 1.0);
  }
}

fragment Down {
  in vec2 texCoord;
  layout(location = COLOR0) out vec4 color;

  vec3 cellAt(ivec2 cell, ivec2 last) {
    vec3 stored = texelFetch(tex, clamp(cell, ivec2(0), last), 0).rgb;
    return stored * stored;
  }

  void main() {
    ivec2 size = textureSize(tex, 0);
    float reach = max(radius * float(size.x), 1.0);
    float sigma = reach / 2.5;
    float floorWeight = exp(-0.5 * 2.5 * 2.5);
    int across = max(1, int(reach / 8.0 + 0.5));
    ivec2 cellSize = ivec2(across, 2 * across);
    ivec2 lastCell = (size + cellSize - 1) / cellSize - 1;

    vec2 at = gl_FragCoord.xy / vec2(cellSize) - 0.5;
    int left = int(floor(at.x));
    float t = at.x - float(left);
    int firstBand = int(ceil((gl_FragCoord.y - reach) / float(cellSize.y) - 0.5));
    int bands = int(ceil(2.0 * reach / float(cellSize.y))) + 1;

    vec3 sum = vec3(0.0);
    float weights = 0.0;
    for (int b = 0; b < bands; ++b) {
      int band = firstBand + b;
      float d = (gl_FragCoord.y - (float(band) + 0.5) * float(cellSize.y)) / sigma;
      float w = max(exp(-0.5 * d * d) - floorWeight, 0.0);
      weights += w;
      if (w <= 0.0 || band < 0 || band > lastCell.y) continue;
      vec3 row = mix(cellAt(ivec2(left, band), lastCell), cellAt(ivec2(left + 1, band), lastCell), t);
      sum += w * row;
    }
    vec3 glow = clamp(alpha * sum / max(weights, 1e-8), 0.0, 1.0);
    float m = max(glow.r, max(glow.g, glow.b));
    color = m > 0.0 ? vec4(glow / m, pow(m, 1.0 / 3.0)) : vec4(0.0);
  }
}

technique BloomEffect {
  pass 0 {
    VertexShader = Cells;
    FragmentShader = Across;
    ZEnable = false;
    ZWriteEnable = false;
    CullMode = None;
  }
  pass 1 {
    VertexShader = Screen;
    FragmentShader = Down;
    ZEnable = false;
    ZWriteEnable = false;
    CullMode = None;
  }
}
