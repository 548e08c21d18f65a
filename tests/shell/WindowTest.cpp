// The window's picture area and viewport stack, and the launcher's mode entries.
#include "EngineFixture.h"
#include "demo/D3DWindow.h"
#include "demo/Launcher.h"

namespace vantor_test {
namespace {

using vantor::D3DWindow;

class ViewportStack : public EngineTest {};

struct PictureCase {
  int width, height;
  float aspect;
  D3DVIEWPORT9 expected;
};

TEST_F(ViewportStack, DefaultIsTheLargestAreaOfTheAspectCentredInTheBackBuffer) {
  const PictureCase cases[] = {
      {640, 480, 16.0f / 9.0f, {0, 60, 640, 359, 0, 1}},  // 640 / 1.7777778 is just below 360
      {1280, 720, 16.0f / 9.0f, {0, 0, 1280, 719, 0, 1}},
      {1280, 1024, 16.0f / 9.0f, {0, 152, 1280, 719, 0, 1}},
      {640, 480, 4.0f / 3.0f, {0, 0, 640, 479, 0, 1}},
      // Wider than the aspect: pillarboxed inside the back buffer, not taller than it.
      {2560, 1080, 16.0f / 9.0f, {320, 0, 1920, 1080, 0, 1}},
      // Narrower than a square picture: letterboxed across the width.
      {480, 640, 1.0f, {0, 80, 480, 480, 0, 1}},
  };
  D3DWindow& window = *D3DWindow::current();
  const vantor::DisplaySettings saved = window.displaySettings();
  for (const PictureCase& c : cases) {
    window.displaySettings().width = c.width;
    window.displaySettings().height = c.height;
    window.displaySettings().aspect = c.aspect;
    const D3DVIEWPORT9 v = window.defaultViewport();
    EXPECT_EQ(v.X, c.expected.X) << c.width << "x" << c.height;
    EXPECT_EQ(v.Y, c.expected.Y) << c.width << "x" << c.height;
    EXPECT_EQ(v.Width, c.expected.Width) << c.width << "x" << c.height;
    EXPECT_EQ(v.Height, c.expected.Height) << c.width << "x" << c.height;
    EXPECT_EQ(v.MinZ, 0.0f);
    EXPECT_EQ(v.MaxZ, 1.0f);
  }
  window.displaySettings() = saved;
}

TEST_F(ViewportStack, PopRestoresTheViewportBelowOrThePictureArea) {
  D3DWindow& window = *D3DWindow::current();
  window.popViewport();  // empty: the picture area
  EXPECT_EQ(viewport().Y, 60u);
  EXPECT_EQ(viewport().Height, 359u);
  window.pushViewport({0, 0, 100, 50, 0, 1});
  window.pushViewport({10, 10, 20, 20, 0, 1});
  window.popViewport();
  EXPECT_EQ(viewport().Width, 100u);
  EXPECT_EQ(viewport().Height, 50u);
  window.popViewport();
  EXPECT_EQ(viewport().Height, 359u);
}

TEST(ModeEntryText, SizeReducedRatioAndRate) {
  EXPECT_EQ(vantor::modeEntryText(1024, 768, 60), "1024x768  [4:3] 60hz");
  EXPECT_EQ(vantor::modeEntryText(1280, 720, 60), "1280x720  [16:9] 60hz");
  EXPECT_EQ(vantor::modeEntryText(1680, 1050, 75), "1680x1050  [8:5] 75hz");
  // 800 itself is not below half the height, so the largest divisor tried is 200.
  EXPECT_EQ(vantor::modeEntryText(800, 800, 60), "800x800  [4:4] 60hz");
  // Heights of 3 or less try no divisor at all.
  EXPECT_EQ(vantor::modeEntryText(6, 3, 1), "6x3  [6:3] 1hz");
}

}  // namespace
}  // namespace vantor_test
