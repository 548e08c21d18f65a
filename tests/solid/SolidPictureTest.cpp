// Pictures drawn through the real SolidObject.fxo: lighting, highlight, normal map, and the
// normal, depth and motion buffers that the post effects read.
#include <cmath>

#include "SolidFixture.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor_test {
namespace {

using vantor::Material;
using vantor::Matrix;
using vantor::Vector3;

int brightness(std::uint32_t argb) {
  const Rgb c = rgbOf(argb);
  return c.r + c.g + c.b;
}

class SolidPictures : public SolidTest {
 protected:
  // A plain grey surface without ambient light, so what shows is the light's doing.
  static void matte(Material& m, float diffuse, float specular) {
    for (int i = 0; i < 3; ++i) {
      m.ambient[i] = 0.0f;
      m.diffuse[i] = diffuse;
      m.specular[i] = specular;
    }
  }
  std::uint32_t pixelAt(const std::vector<std::uint32_t>& picture, const Vector3& world) {
    float x = 0, y = 0;
    project(world, x, y);
    return at(picture, int(x), int(y));
  }
};

// A ball lit from its right: points of its surface on the right, turned towards the light,
// come out much brighter than the mirrored points on its left.
TEST_F(SolidPictures, SideFacingAPointLightIsBrighter) {
  vantor::MeshInstance* ball = addSolid(sphereMesh(1.2f, 24, 48));
  matte(ball->getMaterial(), 0.8f, 0.0f);
  addLight(4, 0, -1, 2.0f);
  render(1.0f);
  const auto picture = colour();
  savePng(picture, "lit-ball");
  const int right = brightness(pixelAt(picture, {1.0f, 0, -0.6f}));
  const int left = brightness(pixelAt(picture, {-1.0f, 0, -0.6f}));
  // Both points face the camera alike; only the light tells them apart. Without a diffuse
  // term both would be black.
  EXPECT_GT(right, 300);
  EXPECT_LT(left, right / 4);
}

// A flat mirror-like quad with the light up and to the right of the camera: the highlight
// sits halfway, where the mirror direction of the light meets the eye.
TEST_F(SolidPictures, SpecularHighlightSitsWhereTheMirrorDirectionSays) {
  vantor::MeshInstance* plane = addSolid(quadMesh(4.0f));
  Material& m = plane->getMaterial();
  matte(m, 0.0f, 1.0f);
  m.specularPower = 200.0f;
  addLight(2, 0, -5, 1.0f, 0.0f);
  render(1.0f);
  const auto picture = colour();
  savePng(picture, "highlight");
  int bestX = 0, bestY = 0, best = -1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int b = brightness(at(picture, x, y));
      if (b > best) best = b, bestX = x, bestY = y;
    }
  }
  float expectedX = 0, expectedY = 0;
  project({1, 0, 0}, expectedX, expectedY);
  // A white highlight of full strength comes out near 0.68 of white after the effect's soft
  // shoulder (1 - e^-1.15): well above the unlit rest of the quad.
  EXPECT_GT(best, 480);
  // With a power of 200 the peak is a few pixels wide; the brightest pixel lies within it.
  EXPECT_NEAR(bestX, expectedX, 4.0f);
  EXPECT_NEAR(bestY, expectedY, 4.0f);
  EXPECT_LT(brightness(pixelAt(picture, {-1.5f, 0, 0})), 30);
}

// The same lit flat quad with and without the normal map: the bumps change the shading all
// over it, and a bumpiness of 0 flattens them again. The map is there from the first drawing,
// which is when a lit mesh makes its tangent frame.
TEST_F(SolidPictures, NormalMapChangesTheShadingOfAFlatQuad) {
  Matrix larger;
  for (int i = 0; i < 3; ++i) larger.m[i][i] = 1.5f;
  vantor::MeshInstance* plane = addSolid(gridMesh(8), larger);
  Material& m = plane->getMaterial();
  matte(m, 0.6f, 0.0f);
  addLight(2.5f, 2.5f, -2, 1.0f);  // from the side, where bumps cast the most shade
  m.normalmap = vantor::GraphicsContext::instance()->loadTexture(
      vantor::dataFile(VANTOR_SOURCE_DIR "/data/moon_normal.jpg"));
  ASSERT_NE(m.normalmap, nullptr);
  render(1.0f);
  const auto bumpy = colour();
  savePng(bumpy, "normal-mapped");
  m.bumpiness = 0.0f;
  render(2.0f);
  const auto flattened = colour();
  m.normalmap = nullptr;
  render(3.0f);
  const auto flat = colour();
  // Mean difference over the middle of the quad (164 pixels square), in levels per channel.
  const auto meanDifference = [](const std::vector<std::uint32_t>& a,
                                 const std::vector<std::uint32_t>& b) {
    double sum = 0;
    int n = 0;
    for (int y = kHeight / 2 - 60; y < kHeight / 2 + 60; ++y) {
      for (int x = kWidth / 2 - 60; x < kWidth / 2 + 60; ++x, ++n) {
        sum += std::abs(brightness(at(a, x, y)) - brightness(at(b, x, y))) / 3.0;
      }
    }
    return sum / n;
  };
  EXPECT_GT(brightness(at(flat, kWidth / 2, kHeight / 2)), 150);
  // The bumps shift the shading by several levels on average (about 8 through the effect's
  // soft shoulder); without the map the difference is rounding alone.
  EXPECT_GT(meanDifference(flat, bumpy), 6.0);
  // The map's own z tilts nothing once bumpiness removes x and y: only rounding is left.
  EXPECT_LT(meanDifference(flat, flattened), 1.0);
}

// A cube seen from above the front: the normal buffer holds, on each visible face, that
// face's normal in view space.
TEST_F(SolidPictures, NormalBufferHoldsTheFacesNormal) {
  camera->setLookAt({0, 3, -5}, {0, 0, 0}, {0, 1, 0});
  vantor::MeshInstance* cube = addSolid(boxMesh(2.0f));
  cube->getMaterial().lit = false;
  render(1.0f);
  const auto picture = normals();
  savePng(picture, "normals");
  const Matrix view = camera->getView();
  for (const Vector3& face : {Vector3{0, 0, -1}, Vector3{0, 1, 0}}) {
    const Vector3 expected = face.transformNormal(view);
    const Rgb n = rgbOf(pixelAt(picture, face));
    // 8-bit channels hold n * 0.5 + 0.5: a level is 1/127.5 of the normal.
    EXPECT_NEAR((n.r - 127.5) / 127.5, expected.x, 0.02) << face.x << face.y << face.z;
    EXPECT_NEAR((n.g - 127.5) / 127.5, expected.y, 0.02);
    EXPECT_NEAR((n.b - 127.5) / 127.5, expected.z, 0.02);
    EXPECT_EQ(n.a, 255);
  }
}

// Two quads, one nearer: the depth buffer holds view-space z over the far distance (100).
TEST_F(SolidPictures, DepthIsSmallerWhereTheSolidIsNearer) {
  addSolid(quadMesh(1.0f), Matrix::translation(-1.0f, 0, -1.0f));
  addSolid(quadMesh(2.0f), Matrix::translation(2.5f, 0, 4.0f));
  render(1.0f);
  const auto values = depth();
  const auto depthAt = [&](const Vector3& p) {
    float x = 0, y = 0;
    project(p, x, y);
    return values[std::size_t(int(y)) * kWidth + std::size_t(int(x))];
  };
  const float nearer = depthAt({-1.0f, 0, -1.0f});
  const float farther = depthAt({2.5f, 0, 4.0f});
  EXPECT_NEAR(nearer, 4.0f / 100.0f, 1e-4f);
  EXPECT_NEAR(farther, 9.0f / 100.0f, 1e-4f);
  EXPECT_LT(nearer, farther);
}

// The blur map holds the motion over a shutter of this many seconds, whatever the frame time.
constexpr float kShutterSeconds = 1.0f / 60.0f;

// The blur map: 128 on the solid's pixels while it stands still; when it moved to the right
// between two motion updates 1/60 s apart (the blur map's shutter, so the motion is written as
// it is), red says "right" by the moved distance over velocityScale, and green stays still.
TEST_F(SolidPictures, BlurMapSaysHowTheSolidMoved) {
  scene->setBlurMapEnabled(true);
  scene->lighting.velocityScale = 0.05f;
  vantor::MeshInstance* cube = addSolid(boxMesh(1.5f));
  render(1.0f);
  render(2.0f);
  Rgb still = rgbOf(pixelAt(blurMap(), {0, 0, -0.75f}));
  EXPECT_NEAR(still.r, 128, 1);
  EXPECT_NEAR(still.g, 128, 1);
  EXPECT_EQ(still.b, 128);
  EXPECT_EQ(still.a, 255);

  cube->setTransform(Matrix::translation(0.25f, 0, 0));
  render(2.0f + kShutterSeconds);
  const auto picture = blurMap();
  savePng(picture, "blur-map");
  float before = 0, after = 0, y = 0;
  project({0, 0, -0.75f}, before, y);
  project({0.25f, 0, -0.75f}, after, y);
  const double e = std::min((after - before) / kWidth / 0.05, 1.0);
  const Rgb moved = rgbOf(pixelAt(picture, {0.25f, 0, -0.75f}));
  EXPECT_GT(e, 0.3);  // the move is large enough to tell apart from rounding
  EXPECT_NEAR(moved.r, 128 + 127 * e, 2.0);
  EXPECT_NEAR(moved.g, 128, 1);
  // A pixel no solid covers keeps the scene's clear value.
  const Rgb outside = rgbOf(at(picture, 5, 5));
  EXPECT_EQ(outside.r, 128);
  EXPECT_EQ(outside.g, 128);
}

// Both ends of the blur map: what the solid-object effect writes for a solid that moved to
// the right is what the motion blur reads, so the blurred picture streaks the solid along x,
// past its silhouette, and not along y.
TEST_F(SolidPictures, MotionBlurSmearsAMovingSolidAlongTheMotionItsShaderWrote) {
  scene->setBlurMapEnabled(true);
  scene->lighting.velocityScale = 0.05f;
  vantor::MeshInstance* cube = addSolid(boxMesh(1.5f));
  matte(cube->getMaterial(), 0.8f, 0.0f);
  addLight(0, 0, -6, 3.0f);
  render(1.0f);
  render(2.0f);
  cube->setTransform(Matrix::translation(0.25f, 0, 0));
  render(2.0f + kShutterSeconds);
  const auto sharp = colour();
  vantor::MotionblurEffect blur(scene->getColorBuffer(), scene->getBlurMap(),
                                scene->getDepthBuffer(), 0.015f);
  blur.render(2.0f + kShutterSeconds);
  const auto blurred = pixels(surfaceOf(blur.getColorBuffer()));
  savePng(blurred, "moving-solid-blurred");
  // The solid's extent in the sharp picture along the row and the column through its centre.
  float cx = 0, cy = 0;
  project({0.25f, 0, -0.75f}, cx, cy);
  const auto extent = [&](const std::vector<std::uint32_t>& picture, bool alongX) {
    int count = 0;
    const int n = alongX ? kWidth : kHeight;
    for (int i = 0; i < n; ++i) {
      const std::uint32_t p = alongX ? at(picture, i, int(cy)) : at(picture, int(cx), i);
      if (brightness(p) > 24) ++count;  // above the rounding of an empty pixel
    }
    return count;
  };
  // A streak of several pixels beyond the silhouette along x; across, at most an edge pixel.
  EXPECT_GE(extent(blurred, true), extent(sharp, true) + 4);
  EXPECT_LE(extent(blurred, false), extent(sharp, false) + 1);
}

}  // namespace
}  // namespace vantor_test
