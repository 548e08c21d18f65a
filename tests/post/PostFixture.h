// Buffers for the post effects' tests: picture-sized targets borrowed from the pool (640 x 359
// on the engine fixture's window), painted with exact colours, encoded motion and depths, and
// read back as what the frame's additive composition would show.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "EngineFixture.h"

namespace vantor {
class RenderTarget;
}  // namespace vantor

namespace vantor_test {

inline constexpr int kWidth = 640;
inline constexpr int kHeight = 359;

struct Rect {
  int left, top, right, bottom;  // pixels; right and bottom excluded
};

// What a pixel adds to the frame when its buffer is drawn as an additive quad at alpha 1:
// colour times alpha, each 0..1.
struct Shown {
  float r, g, b;
  float brightest() const;
};

class PostTest : public EngineTest {
 protected:
  void TearDown() override;

  // A picture-sized target from the pool, given back after the test.
  vantor::RenderTarget* borrow(D3DFORMAT format);
  // Clears the whole target (alpha, red, green, blue as bytes; an R32F target keeps red/255).
  void clear(vantor::RenderTarget* target, unsigned a, unsigned r, unsigned g, unsigned b);
  // Overwrites a rectangle with rgba (0..1; an R32F target keeps the red value).
  void paint(vantor::RenderTarget* target, Rect rect, std::array<float, 4> rgba);
  // The same into whatever target is bound at slot 0.
  static void paintBound(Rect rect, std::array<float, 4> rgba);
  // The blur map's value for a motion of e = (x, y), each -1..1 (see effects/MappedBlur.fx).
  static std::array<float, 4> motion(float x, float y);

  std::vector<std::uint32_t> read(vantor::RenderTarget* target);
  // What the buffer adds to the frame, pixel by pixel, top row first.
  std::vector<Shown> shown(vantor::RenderTarget* target);
  static std::uint32_t at(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<std::size_t>(y * kWidth + x)];
  }
  static const Shown& at(const std::vector<Shown>& pixels, int x, int y) {
    return pixels[static_cast<std::size_t>(y * kWidth + x)];
  }

 private:
  std::vector<vantor::RenderTarget*> borrowed;
};

}  // namespace vantor_test
