// BloomEffect.fx: a soft glow around the bright parts of a picture, in two passes.
//
// "tex" is the picture to glow (pass 0: the input, an A8R8G8B8 buffer whose pixels show
// rgb * a when added to the frame, as MappedBlur.fx writes them) and then the across-spread
// intermediate (pass 1). "radius" is how far the glow reaches, in picture widths, both across
// and down; "power" shapes which parts glow: each pixel's colour is weighted by its luminance
// raised to "power" (0: everything glows, 1: the glow grows with the square of the
// brightness, larger: only the brightest parts); "alpha" scales the glow.
//
// The glow kernel is (1 - d^2 / reach^2)^3 within the reach and 0 beyond: bell-shaped like a
// Gaussian of sigma = reach / 2.45, meeting zero at the reach with a flat tangent, so there
// is no edge and no ring, and it falls monotonically. It costs a few multiplications where a
// Gaussian would cost an exponential per weight.
// A uniform bright area keeps its brightness; black stays black.
//
// Cost (the CPU rasterizer at 640 x 359): each point fetch of a full-screen pass costs about
// 0.15 ms of CPU, a bilinear one several times that, and a direct separable blur over
// 2 x 64 pixels would cost tens of milliseconds. Instead:
//   pass 0 draws only into a grid of cells at the top left of the intermediate target, one
//   cell per block of reach/8 x reach/3 pixels (8 x 22 at the invitation's 640 x 359, 80 x 17
//   cells, 1/176 of the pixels). Each cell sums its whole horizontal reach from point fetches
//   on a fixed 4-pixel lattice of the picture (33 columns x 12 rows), every fetch weighted by
//   its exact horizontal distance, so the glow follows a source pixel by pixel across, and by
//   a tent over the two neighbouring bands vertically, so the glow's height moves smoothly
//   from band to band. 396 fetches per cell are about two full-screen fetches in all (about
//   3 ms of CPU). The lattice means that bright features narrower than 4 pixels (8 at 1280
//   wide) may be missed, and a glow may sit up to 2 pixels off its source.
//   pass 1 draws every pixel: the 6 bands within the reach above and below, each
//   interpolated between its two nearest cells across with two point fetches (12 in all;
//   one bilinear fetch per band instead measured nearly twice as slow). Bands a quarter of
//   the reach high (8 of them, 16 fetches) changed the picture by at most 2 levels of 255
//   and cost about 10 % more.
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

// Every stage derives the same cell grid from the picture size and the reach: cells at least
// a third of the reach high (so that at most 6 band centres lie within the reach above and
// below a pixel) and an eighth of the reach wide.
vertex Cells {
  layout(location = POSITION) in vec3 position;
  layout(location = TEXCOORD0) in vec2 uv;
  out vec2 texCoord;
  ivec2 cellSize(ivec2 size) {
    float reach = max(radius * float(size.x), 1.0);
    return ivec2(max(1, int(ceil(reach / 8.0))), max(2, int(ceil(reach / 3.0))));
  }
  void main() {
    texCoord = uv;
    vec4 clip = vec4(position, 1.0) * worldViewProjection;
    ivec2 size = textureSize(tex, 0);
    ivec2 cell = cellSize(size);
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
    float invReach2 = 1.0 / (reach * reach);
    ivec2 cellSize = ivec2(max(1, int(ceil(reach / 8.0))), max(2, int(ceil(reach / 3.0))));
    // The lattice step: 4 pixels at the invitation's size, scaled with the reach.
    int lattice = max(1, cellSize.x / 2);
    ivec2 cell = ivec2(gl_FragCoord.xy);
    vec2 centre = (vec2(cell) + 0.5) * vec2(cellSize);

    // Lattice columns within the reach, and lattice rows within one band above and below.
    int firstColumn = int(ceil((centre.x - reach) / float(lattice) - 0.5));
    int columns = int(ceil(2.0 * reach / float(lattice))) + 1;
    int firstRow = int(ceil((centre.y - float(cellSize.y)) / float(lattice) - 0.5));
    int rows = 2 * cellSize.y / lattice + 1;

    float downWeights = 0.0;
    for (int r = 0; r < rows; ++r) {
      float y = (float(firstRow + r) + 0.5) * float(lattice);
      downWeights += max(1.0 - abs(y - centre.y) / float(cellSize.y), 0.0);
    }
    vec3 sum = vec3(0.0);
    float acrossWeights = 0.0;
    for (int c = 0; c < columns; ++c) {
      float x = (float(firstColumn + c) + 0.5) * float(lattice);
      float d = x - centre.x;
      float k = max(1.0 - d * d * invReach2, 0.0);
      float wx = k * k * k;
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

  void main() {
    ivec2 size = textureSize(tex, 0);
    float reach = max(radius * float(size.x), 1.0);
    float invReach2 = 1.0 / (reach * reach);
    ivec2 cellSize = ivec2(max(1, int(ceil(reach / 8.0))), max(2, int(ceil(reach / 3.0))));
    ivec2 lastCell = (size + cellSize - 1) / cellSize - 1;

    // The two cells across to interpolate between, and the first band within the reach.
    vec2 at = gl_FragCoord.xy / vec2(cellSize) - 0.5;
    int left = int(floor(at.x));
    float t = at.x - float(left);
    int leftCell = clamp(left, 0, lastCell.x);
    int rightCell = clamp(left + 1, 0, lastCell.x);
    int firstBand = int(ceil((gl_FragCoord.y - reach) / float(cellSize.y) - 0.5));

    // Fixed count, no branches: bands outside the grid weigh in the normalisation (the glow
    // fades towards the picture's top and bottom edges) but add nothing.
    vec3 sum = vec3(0.0);
    float weights = 0.0;
    for (int b = 0; b < 6; ++b) {
      int band = firstBand + b;
      float d = gl_FragCoord.y - (float(band) + 0.5) * float(cellSize.y);
      float k = max(1.0 - d * d * invReach2, 0.0);
      float w = k * k * k;
      weights += w;
      int row = clamp(band, 0, lastCell.y);
      vec3 l = texelFetch(tex, ivec2(leftCell, row), 0).rgb;
      vec3 r = texelFetch(tex, ivec2(rightCell, row), 0).rgb;
      sum += (band == row ? w : 0.0) * mix(l * l, r * r, t);
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
