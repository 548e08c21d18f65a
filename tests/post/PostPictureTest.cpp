// What a viewer sees of the motion blur and the bloom: pictures painted with exact colours,
// motions and depths go through the effects and are read back as what the frame's additive
// composition adds (colour times alpha).
#include <cmath>
#include <functional>
#include <memory>

#include "PostFixture.h"
#include "gfx/post/BloomEffect.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/resources/RenderTarget.h"

namespace vantor_test {
namespace {

using vantor::BloomEffect;
using vantor::MotionblurEffect;
using vantor::RenderTarget;

constexpr std::array<float, 4> kWhite = {1, 1, 1, 1};
constexpr std::array<float, 4> kRed = {1, 0, 0, 1};
constexpr std::array<float, 4> kGreen = {0, 1, 0, 1};

std::array<float, 4> depthOf(float z) { return {z, 0, 0, 1}; }

class MotionBlurPicture : public PostTest {
 protected:
  void SetUp() override {
    colour = borrow(D3DFMT_A8R8G8B8);
    blurMap = borrow(D3DFMT_A8R8G8B8);
    depth = borrow(D3DFMT_R32F);
    clear(colour, 0, 0, 0, 0);
    // As the scene leaves them where nothing drew.
    clear(blurMap, 255, 128, 128, 128);
    clear(depth, 255, 128, 128, 128);
  }
  // A solid of that colour, depth and motion.
  void solid(Rect rect, std::array<float, 4> rgba, float z, float ex, float ey) {
    paint(colour, rect, rgba);
    paint(depth, rect, depthOf(z));
    paint(blurMap, rect, motion(ex, ey));
  }
  RenderTarget* blurred(float radius) {
    effect = std::make_unique<MotionblurEffect>(colour, blurMap, depth, radius);
    effect->render(1.0f);
    return effect->getColorBuffer();
  }
  // How far the smear reaches beyond the square's right edge on its middle rows: the largest
  // distance at which a pixel adds anything visible.
  int reachRight(const std::vector<Shown>& picture, Rect square) {
    int farthest = 0;
    for (int y = square.top + 10; y < square.bottom - 10; ++y) {
      for (int x = square.right; x < kWidth; ++x) {
        if (at(picture, x, y).brightest() > 0.02f)
          farthest = std::max(farthest, x - square.right + 1);
      }
    }
    return farthest;
  }

  RenderTarget* colour = nullptr;
  RenderTarget* blurMap = nullptr;
  RenderTarget* depth = nullptr;
  std::unique_ptr<MotionblurEffect> effect;
};

TEST_F(MotionBlurPicture, StillPicturePassesUnchanged) {
  solid({40, 30, 200, 120}, kRed, 0.3f, 0, 0);
  solid({180, 100, 420, 300}, {0.2f, 0.6f, 0.9f, 1}, 0.5f, 0, 0);
  solid({500, 20, 630, 350}, {0.5f, 0.5f, 0.5f, 1}, 0.9f, 0, 0);
  const std::vector<std::uint32_t> before = read(colour);
  const std::vector<std::uint32_t> after = read(blurred(0.015f));
  ASSERT_EQ(after.size(), before.size());
  int differing = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    for (int shift : {0, 8, 16, 24}) {
      const int a = static_cast<int>((before[i] >> shift) & 0xFF);
      const int b = static_cast<int>((after[i] >> shift) & 0xFF);
      if (std::abs(a - b) > 1) ++differing;  // one level of 8-bit rounding
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST_F(MotionBlurPicture, WithoutABlurMapNothingMoves) {
  solid({180, 100, 420, 300}, {0.2f, 0.6f, 0.9f, 1}, 0.5f, 0, 0);
  const std::vector<std::uint32_t> before = read(colour);
  effect = std::make_unique<MotionblurEffect>(colour, nullptr, depth, 0.015f);
  effect->render(1.0f);
  EXPECT_EQ(read(effect->getColorBuffer()), before);
}

TEST_F(MotionBlurPicture, MovingSquareSmearsAlongItsMotionReachingPastItsEdges) {
  const Rect square{280, 140, 360, 220};
  // radius 0.05: the smear reaches 0.05 * 640 * e pixels each way, 11 for e = 0.35.
  int reach[2] = {};
  for (int run = 0; run < 2; ++run) {
    const float e = run == 0 ? 0.35f : 0.7f;
    const float length = 0.05f * kWidth * e;
    solid(square, kWhite, 0.3f, e, 0);
    const std::vector<Shown> picture = shown(blurred(0.05f));
    reach[run] = reachRight(picture, square);
    // Nothing above or below: the motion has no vertical part.
    for (int x = square.left; x < square.right; ++x) {
      for (int y : {square.top - 3, square.top - 1, square.bottom, square.bottom + 2}) {
        ASSERT_EQ(at(picture, x, y).brightest(), 0.0f) << x << "," << y;
      }
    }
    // Left of the square too, fading farther out; inside, the edges thin out.
    const float near = at(picture, square.left - 1, 180).brightest();
    const float far = at(picture, square.left - static_cast<int>(0.8f * length), 180).brightest();
    EXPECT_GE(near, 0.2f);
    EXPECT_LT(far, near);
    EXPECT_LT(at(picture, square.right - 1, 180).brightest(), 0.9f);
    EXPECT_EQ(at(picture, square.left + 40, 180).brightest(), 1.0f);
  }
  // Each row's last sample lies in the last fifth of the smear, wherever the per-pixel offset
  // puts it, so the farthest over the rows is nearly the whole length: 11.2 and 22.4 pixels.
  EXPECT_GE(reach[0], 9);
  EXPECT_LE(reach[0], 12);
  EXPECT_GE(reach[1], 19);
  EXPECT_LE(reach[1], 23);
  EXPECT_NEAR(static_cast<float>(reach[1]) / static_cast<float>(reach[0]), 2.0f, 0.3f);
}

TEST_F(MotionBlurPicture, FarMotionIsNotDraggedOverANearStillSolid) {
  const Rect nearSquare{300, 140, 380, 220};
  solid({200, 100, 300, 260}, kRed, 0.8f, 1.0f, 0);
  solid(nearSquare, kGreen, 0.2f, 0, 0);
  const std::vector<std::uint32_t> picture = read(blurred(0.05f));
  for (int y = nearSquare.top; y < nearSquare.bottom; ++y) {
    for (int x = nearSquare.left; x < nearSquare.right; ++x) {
      ASSERT_EQ(at(picture, x, y), 0xFF00FF00u) << x << "," << y;
    }
  }
  // The far solid does smear where nothing nearer is: into the empty space on its left.
  EXPECT_NE(at(picture, 190, 180), 0u);
}

TEST_F(MotionBlurPicture, EmptyStaysEmpty) {
  solid({280, 140, 360, 220}, kWhite, 0.3f, 1.0f, 1.0f);
  const std::vector<std::uint32_t> picture = read(blurred(0.05f));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (x > 230 && x < 410 && y > 100 && y < 260) continue;  // within the smear's reach
      ASSERT_EQ(at(picture, x, y), 0u) << x << "," << y;
    }
  }
}

// A renderable whose picture is painted by the test, as the bloom's input.
class Painted : public vantor::BufferRenderable {
 public:
  std::function<void()> painting;

 protected:
  void draw(float) override {
    if (painting) painting();
  }
};

class BloomPicture : public PostTest {
 protected:
  std::vector<std::uint32_t> bloomed(std::function<void()> painting, float alpha,
                                     float power = 1.0f) {
    input.painting = std::move(painting);
    input.render(++time);
    BloomEffect bloom(&input, 0.1f, power, alpha);
    bloom.render(time);
    return read(bloom.getColorBuffer());
  }
  // What the pixel adds to the frame in its brightest channel.
  static float shownAt(const std::vector<std::uint32_t>& picture, int x, int y) {
    const std::uint32_t argb = at(picture, x, y);
    float brightest = 0.0f;
    for (int shift : {0, 8, 16}) {
      brightest = std::max(brightest, static_cast<float>((argb >> shift) & 0xFF) / 255.0f);
    }
    return brightest * static_cast<float>(argb >> 24) / 255.0f;
  }
  Painted input;
  float time = 0.0f;
};

constexpr Rect kSpot{314, 174, 326, 186};  // 12 x 12 pixels around (320, 180)

TEST_F(BloomPicture, SmallSpotGlowsAboutATenthOfTheWidthFallingSmoothlyAlikeAcrossAndDown) {
  // alpha 10 lifts the glow of so small a spot well clear of 8-bit steps.
  const std::vector<std::uint32_t> picture = bloomed([] { paintBound(kSpot, kWhite); }, 10.0f);
  // Along the row and the column through the spot: where the glow is half its peak on either
  // side, hence its centre and width; then outwards from that centre, its fall.
  struct Line {
    int centre, width, faded[2];
  };
  auto measure = [&](bool acrossRow) {
    auto value = [&](int i) {
      return acrossRow ? shownAt(picture, i, 180) : shownAt(picture, 320, i);
    };
    const int spot = acrossRow ? 320 : 180, size = acrossRow ? kWidth : kHeight;
    float peak = 0.0f;
    for (int i = spot - 10; i < spot + 10; ++i) peak = std::max(peak, value(i));
    EXPECT_GT(peak, 0.2f);
    int low = spot, high = spot;
    while (low > 0 && value(low) > 0.5f * peak) --low;
    while (high < size - 1 && value(high) > 0.5f * peak) ++high;
    Line line{(low + high) / 2, high - low, {0, 0}};
    for (int side = 0; side < 2; ++side) {
      const int direction = side == 0 ? 1 : -1;
      float previous = value(line.centre);
      for (int step = 1; step < 100; ++step) {
        const float now = value(line.centre + direction * step);
        // Falling all the way: no ring, no band rising again. Colour and alpha are each
        // rounded to 8 bits, so their product may wobble by up to three levels.
        EXPECT_LE(now, previous + 3.0f / 255.0f) << acrossRow << " " << direction * step;
        previous = std::min(previous, now);
        if (line.faded[side] == 0 && now < 0.02f * peak) line.faded[side] = step;
      }
    }
    return line;
  };
  const Line across = measure(true), down = measure(false);
  // Where the spot is, within the 4-pixel lattice's reach of it.
  EXPECT_NEAR(across.centre, 320, 3);
  EXPECT_NEAR(down.centre, 180, 3);
  // As wide across as down.
  EXPECT_NEAR(static_cast<float>(across.width) / static_cast<float>(down.width), 1.0f, 0.1f);
  // Fading out at a tenth of the 640-pixel width, give or take the spot's own half size.
  for (const Line& line : {across, down}) {
    for (int faded : line.faded) {
      EXPECT_GE(faded, 52);
      EXPECT_LE(faded, 76);
    }
  }
  // Nothing at all beyond the reach, not even alpha.
  for (auto [x, y] : {std::pair{236, 180}, {404, 180}, {320, 96}, {320, 264}}) {
    EXPECT_EQ(at(picture, x, y), 0u) << x << "," << y;
  }
}

TEST_F(BloomPicture, AlphaScalesTheGlowAndPowerFavoursTheBrightest) {
  const auto white = [] { paintBound(kSpot, kWhite); };
  const auto grey = [] { paintBound(kSpot, {0.5f, 0.5f, 0.5f, 1}); };
  const float strong = shownAt(bloomed(white, 10.0f), 330, 190);
  EXPECT_NEAR(shownAt(bloomed(white, 5.0f), 330, 190) / strong, 0.5f, 0.05f);
  // With power 1 half the brightness glows a quarter as much; with power 0 half as much.
  EXPECT_NEAR(shownAt(bloomed(grey, 10.0f), 330, 190) / strong, 0.25f, 0.04f);
  EXPECT_NEAR(shownAt(bloomed(grey, 10.0f, 0.0f), 330, 190) /
                  shownAt(bloomed(white, 10.0f, 0.0f), 330, 190),
              0.5f, 0.05f);
}

TEST_F(BloomPicture, BlackStaysBlackAndEmptyStaysTransparent) {
  const std::vector<std::uint32_t> picture = bloomed(
      [] {
        paintBound({0, 0, kWidth, kHeight / 2}, {0, 0, 0, 1});  // opaque black over the top half
      },
      10.0f);
  for (std::uint32_t argb : picture) ASSERT_EQ(argb, 0u);
}

}  // namespace
}  // namespace vantor_test
