// The invitation on the real entry: what demoSetup builds, how the loading picture is paced,
// and how demoFrame places the scroller, the grill and the light for a music time. Each
// scenario runs the entry in a fresh process (a death-test child that exits with 0 when every
// check held and names the first check that did not), as the engine's singletons live as long
// as the process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "Core/Progress.h"
#include "ScriptedRun.h"
#include "demo/DemoHooks.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/Texture.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/scene/DummyNode.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/Scene.h"
#include "gfx/text/FontImporter.h"
#include "invitation/Invitation.h"
#include "invitation/ScrollText.h"

namespace vantor_test {
namespace {

using platform::scripted::Input;
using platform::scripted::ScriptedRun;
namespace inv = vantor::invitation;

constexpr int kStart = 1001, kFullScreen = 1004;

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::exit(1);
}

bool near(float a, float b, float tolerance = 1e-4f) { return std::fabs(a - b) <= tolerance; }

// Counts the device's Present calls.
struct PresentCounter : platform::ICallObserver {
  int presents = 0;
  void onCall(const platform::Call& call) override {
    if (std::strcmp(call.method, "Present") == 0) ++presents;
  }
};

// Runs the entry windowed from the build folder; `atFirstFrame` runs once, after the first
// frame of the frame loop was presented (the loading picture presents too, while loading
// lasts), with the whole invitation built; then Escape ends the run.
void runInvitation(const std::function<void(ScriptedRun&)>& atFirstFrame) {
  require(chdir(VANTOR_DATA_DIR "/..") == 0, "build folder");
  ScriptedRun run(16);
  run.atFrame(0, Input::click(kFullScreen));
  run.atFrame(0, Input::click(kStart));
  bool called = false;
  run.onFrame([&](int frame) {
    if (vantor::loadingActive || called) return;
    called = true;
    atFirstFrame(run);
    run.atFrame(frame + 1, Input::key(VK_ESCAPE));
  });
  require(WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT) == 0,
          "exit code 0");
  require(called, "the frame loop ran");
  require(run.messageBoxes().empty(), "no message box");
  std::exit(0);
}

// Counts what a frame draws: the scene's solids are indexed draws, every full-screen quad (the
// motion blur, the bloom's two passes, the three composition quads) a DrawPrimitiveUP.
struct DrawCounter : platform::ICallObserver {
  int solids = 0;
  int quads = 0;
  bool wantsArguments(const char*, const char*) override { return false; }
  void onCall(const platform::Call& call) override {
    if (std::strcmp(call.method, "DrawIndexedPrimitive") == 0) ++solids;
    if (std::strcmp(call.method, "DrawPrimitiveUP") == 0) ++quads;
  }
};

// One frame as the frame loop draws it: the back buffer cleared, then the invitation's frame.
void drawFrame(float frameSeconds, float musicSeconds) {
  IDirect3DDevice9* device = vantor::GraphicsContext::instance()->device();
  require(SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0)),
          "clear");
  vantor::demoFrame(frameSeconds, musicSeconds);
}

platform::scripted::Image backBuffer() {
  platform::scripted::Image image;
  require(SUCCEEDED(platform::scripted::readBackBuffer(
              vantor::GraphicsContext::instance()->device(), image)),
          "back buffer read");
  return image;
}

// Mean of one colour channel (shift 16: red, 8: green, 0: blue) over a block of pixels.
double blockMean(const platform::scripted::Image& image, int x0, int y0, int size, int shift) {
  double sum = 0.0;
  for (int y = y0; y < y0 + size; ++y) {
    for (int x = x0; x < x0 + size; ++x) {
      sum += (image.argb[static_cast<std::size_t>(y) * image.width + x] >> shift) & 0xFF;
    }
  }
  return sum / (size * size);
}

class Invitation : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST(ScrollText, HasTheCountsTheScrollerIsLaidOutFor) {
  const std::string text = inv::scrollText;
  EXPECT_EQ(text.size(), 829u);
  EXPECT_EQ(text.find_first_not_of(' '), 39u);
  std::size_t blanks = 0, others = 0;
  for (char c : text) {
    if (c == ' ') {
      ++blanks;
    } else {
      ++others;
      EXPECT_NE(std::strchr(inv::glyphSet, c), nullptr) << "no letter for '" << c << "'";
    }
  }
  EXPECT_EQ(blanks, 234u);
  EXPECT_EQ(others, 595u);
}

TEST_F(Invitation, ProgressPointsBeforeTheLoadingPictureDoNotCount) {
  // No window and no loading picture yet: nothing is counted or drawn.
  vantor::tickLoadingProgress();
  EXPECT_EQ(inv::loadingTicks, 0);
}

TEST_F(Invitation, TheLoadingPictureIsDrawnAtEveryFiftiethProgressPoint) {
  EXPECT_EXIT(runInvitation([](ScriptedRun& run) {
                PresentCounter counter;
                run.forwardCallsTo(&counter);
                inv::loadingTicks = 0;
                for (int i = 0; i < 49; ++i) vantor::tickLoadingProgress();
                require(counter.presents == 0 && inv::loadingTicks == 49, "49 points: nothing");
                vantor::tickLoadingProgress();
                require(counter.presents == 1 && inv::loadingTicks == 0, "50th: drawn, reset");
                for (int i = 0; i < 50; ++i) vantor::tickLoadingProgress();
                require(counter.presents == 2, "100th: drawn again");
                run.forwardCallsTo(nullptr);
              }),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(Invitation, SetupLaysTheScrollerOutLetterByLetter) {
  EXPECT_EXIT(
      runInvitation([](ScriptedRun&) {
        require(inv::glyphFont->glyphCount() == 66, "66 glyphs");
        require(inv::glyphInstances.size() == 595, "an instance per letter");
        require(inv::glyphBaseTransforms.size() == 595, "a base matrix per letter");
        // 39 blanks of 1.5 before the first letter.
        require(near(inv::glyphBaseTransforms[0].m[3][0], 58.5f), "first at 58.5");
        // Walk the text as the layout does: each letter's pen is the previous
        // letter's pen plus its width and gap, plus 1.5 for every blank between.
        std::size_t index = 0;
        int blanksSince = 0;
        double expected = 58.5;
        const vantor::Mesh* previous = nullptr;
        for (const char* c = inv::scrollText; *c != '\0'; ++c) {
          if (*c == ' ') {
            ++blanksSince;
            continue;
          }
          vantor::INode* instance = inv::glyphInstances[index];
          instance->resetChildren();
          const auto* mesh = dynamic_cast<vantor::Mesh*>(instance->nextChild());
          require(mesh == inv::glyphFont->findGlyph(*c), "the letter's shared mesh");
          if (previous != nullptr) {
            vantor::BoundingBox* box = const_cast<vantor::Mesh*>(previous)->getBoundingBox();
            expected += static_cast<double>(box->maxX) - box->minX + 0.4 + 1.5 * blanksSince;
          }
          const vantor::Matrix& base = inv::glyphBaseTransforms[index];
          require(std::fabs(base.m[3][0] - expected) < 1e-2, "pen position");
          require(base.m[3][1] == 0.0f && base.m[3][2] == 0.0f, "placed on the x axis");
          previous = mesh;
          blanksSince = 0;
          ++index;
        }
      }),
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Invitation, FramePlacesTheScrollerTheGrillAndTheLightFromTheMusicTime) {
  EXPECT_EXIT(
      runInvitation([](ScriptedRun&) {
        vantor::demoFrame(0.016f, 0.0f);
        vantor::Matrix text = inv::textRoot->getTransform();
        require(near(text.m[3][0], 0.0f) && near(text.m[3][1], 5.0f) && near(text.m[3][2], -7.0f),
                "text root at (0, 5, -7) at t = 0");
        if (inv::modelRoot != nullptr) {
          const vantor::Matrix model = inv::modelRoot->getTransform();
          require(near(model.m[0][0], 1.0f) && near(model.m[3][0], -3.0f),
                  "grill unturned at (-3, 0, 0)");
        }
        vantor::demoFrame(0.016f, 10.0f);
        text = inv::textRoot->getTransform();
        require(near(text.m[3][0], -280.0f, 1e-3f), "text root at x = -280 at t = 10");
        if (inv::modelRoot != nullptr) {
          const vantor::Matrix model = inv::modelRoot->getTransform();
          require(near(model.m[0][0], std::cos(10.0f)), "grill turned by 10 radians");
        }
        const vantor::Matrix light = inv::pointLight->getTransform();
        require(
            near(light.m[3][0], 0.0f) && near(light.m[3][1], 8.0f) && near(light.m[3][2], -14.0f),
            "the light rides at the eye");
        for (std::size_t i = 0; i < inv::glyphInstances.size(); ++i) {
          const vantor::Matrix local = inv::glyphInstances[i]->getTransform();
          require(local.m[3][0] == inv::glyphBaseTransforms[i].m[3][0],
                  "letters keep their base matrices");
        }
      }),
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Invitation, AStoppedClockDrawsTheSceneOnceAndTheEffectsEveryFrame) {
  EXPECT_EXIT(runInvitation([](ScriptedRun& run) {
                DrawCounter counter;
                run.forwardCallsTo(&counter);
                drawFrame(0.016f, 20.0f);
                require(counter.solids > 0 && counter.quads == 6, "a new time draws everything");
                // The music stopped: the clock stands, frames go on.
                for (int frame = 0; frame < 3; ++frame) {
                  counter = DrawCounter{};
                  drawFrame(0.016f, 20.0f);
                  require(counter.solids == 0, "a standing clock does not draw the scene again");
                  require(counter.quads == 6, "the effects and the composition run every frame");
                }
                counter = DrawCounter{};
                drawFrame(0.0005f, 20.0005f);
                require(counter.solids == 0 && counter.quads == 6,
                        "half a millisecond later: the same scene picture");
                counter = DrawCounter{};
                drawFrame(0.017f, 20.017f);
                require(counter.solids > 0, "a frame later the scene is drawn again");
                run.forwardCallsTo(nullptr);
              }),
              ::testing::ExitedWithCode(0), "");
}

// The composition only adds onto the background: the blurred scene and the bloom add light,
// they never cover the lake. Compared in blocks of 8 x 8 pixels so that the test is about
// regions, not single pixels; a block may fall short by one level for rounding in the blends.
TEST_F(Invitation, EveryFrameIsAtLeastAsBrightAsTheBackgroundAlone) {
  EXPECT_EXIT(runInvitation([](ScriptedRun&) {
                IDirect3DDevice9* device = vantor::GraphicsContext::instance()->device();
                require(SUCCEEDED(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0)), "clear");
                vantor::drawQuad(inv::backgroundTexture, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE,
                                 D3DBLEND_SRCALPHA, true);
                const platform::scripted::Image background = backBuffer();
                constexpr int kBlock = 8;
                for (float t : {1.0f, 8.0f, 20.0f, 45.0f, 80.0f}) {
                  drawFrame(0.017f, t - 0.017f);
                  drawFrame(0.017f, t);
                  const platform::scripted::Image frame = backBuffer();
                  require(frame.width == background.width && frame.height == background.height,
                          "same size");
                  for (int y = 0; y + kBlock <= frame.height; y += kBlock) {
                    for (int x = 0; x + kBlock <= frame.width; x += kBlock) {
                      for (int shift : {16, 8, 0}) {
                        if (blockMean(frame, x, y, kBlock, shift) <
                            blockMean(background, x, y, kBlock, shift) - 1.0) {
                          std::fprintf(stderr, "t = %.1f, block at (%d, %d), channel shift %d\n",
                                       static_cast<double>(t), x, y, shift);
                          require(false, "no block darker than the background alone");
                        }
                      }
                    }
                  }
                }
              }),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vantor_test
