// Render targets and loaded textures on the engine's device.
#include <cstdio>

#include "EngineFixture.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"

namespace vantor_test {
namespace {

using vantor::RenderTarget;

class RenderTargets : public EngineTest {};

bool sameViewport(const D3DVIEWPORT9& a, const D3DVIEWPORT9& b) {
  return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height &&
         a.MinZ == b.MinZ && a.MaxZ == b.MaxZ;
}

TEST_F(RenderTargets, SlotZeroBindsDepthAndViewportAndEndRestoresThem) {
  const D3DVIEWPORT9 letterbox{0, 60, 640, 359, 0.0f, 1.0f};
  ASSERT_EQ(device()->SetViewport(&letterbox), D3D_OK);
  IDirect3DSurface9* colour = boundTarget(0);
  IDirect3DSurface9* depth = boundDepth();

  RenderTarget target(64, 32, D3DFMT_A8R8G8B8);
  target.begin(0);
  EXPECT_NE(boundTarget(0), colour);
  EXPECT_NE(boundDepth(), depth);
  EXPECT_TRUE(sameViewport(viewport(), {0, 0, 64, 32, 0.0f, 1.0f}));
  target.end();
  EXPECT_EQ(boundTarget(0), colour);
  EXPECT_EQ(boundDepth(), depth);
  // The window's viewport stack was empty, so the picture area comes back.
  EXPECT_TRUE(sameViewport(viewport(), letterbox));
}

TEST_F(RenderTargets, SlotOneIsAnExtraOutputAndLeavesDepthAndViewport) {
  const D3DVIEWPORT9 whole{0, 0, 640, 480, 0.0f, 1.0f};
  ASSERT_EQ(device()->SetViewport(&whole), D3D_OK);
  IDirect3DSurface9* depth = boundDepth();
  RenderTarget extra(640, 480, D3DFMT_R32F);
  extra.begin(1);
  EXPECT_NE(boundTarget(1), nullptr);
  EXPECT_EQ(boundDepth(), depth);
  EXPECT_TRUE(sameViewport(viewport(), whole));
  extra.end();
  EXPECT_EQ(boundTarget(1), nullptr);
}

TEST_F(RenderTargets, MisuseShowsItsNumberedBoxAndChangesNoBinding) {
  RenderTarget target(16, 16, D3DFMT_A8R8G8B8);
  IDirect3DSurface9* colour = boundTarget(0);
  IDirect3DSurface9* depth = boundDepth();
  testing::internal::CaptureStderr();
  target.end();                                  // never begun
  target.create(16, 16, D3DFMT_A8R8G8B8, true);  // made twice
  target.begin(0);
  target.begin(0);  // while active: reported, and bound anyway
  target.end();
  const std::string boxes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(boxes,
            "Vantor error: Unexpected fatal error(#160).\n"
            "Vantor error: Unexpected fatal error(#52).\n"
            "Vantor error: Unexpected fatal error(#118).\n");
  // The second begin saved the target itself, so its end left it bound; put the picture back.
  EXPECT_NE(boundTarget(0), colour);
  ASSERT_EQ(device()->SetRenderTarget(0, colour), D3D_OK);
  ASSERT_EQ(device()->SetDepthStencilSurface(depth), D3D_OK);
}

TEST_F(RenderTargets, LoadedTextureKeepsThePicturesOwnSize) {
  const std::string name = vantor::dataFile(VANTOR_DATA_DIR "/loading.jpg");
  vantor::Texture texture;
  texture.load(name);
  ASSERT_NE(texture.getTexture(), nullptr);
  EXPECT_EQ(texture.getWidth(), 1024);
  EXPECT_EQ(texture.getHeight(), 576);
  EXPECT_EQ(texture.getTextureWidth(), 1024);
  EXPECT_EQ(texture.getTextureHeight(), 1024);  // rounded up to a power of two
  EXPECT_EQ(texture.getTexture()->GetLevelCount(), 11u);
  IDirect3DTexture9* first = texture.getTexture();
  texture.load(name);  // a second load changes nothing
  EXPECT_EQ(texture.getTexture(), first);
}

TEST_F(RenderTargets, UndecodableTextureStaysNullAndNamesItsFile) {
  const std::string name = vantor::dataFile(VANTOR_SOURCE_DIR "/README.md");
  vantor::Texture texture;
  testing::internal::CaptureStderr();
  texture.load(name);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("README.md"), std::string::npos);
  EXPECT_EQ(texture.getTexture(), nullptr);
}

}  // namespace
}  // namespace vantor_test
