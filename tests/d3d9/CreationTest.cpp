// Creating the Direct3D object and its device: what is refused, the message a machine
// without OpenGL 4.5 gets, and the choice of GL dialect.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "DeviceGl.h"

namespace {

using platform::d3d9::windowedParameters;

TEST(Direct3DCreation, OnlyTheImplementedSdkVersionIsAccepted) {
  EXPECT_EQ(Direct3DCreate9(31), nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d, nullptr);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST(Direct3DCreation, WithoutADisplayOneModeIsListed) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_EQ(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8), 1u);
  EXPECT_EQ(d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_A8R8G8B8), 0u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 640u);
  EXPECT_EQ(mode.Height, 480u);
  EXPECT_EQ(mode.RefreshRate, 60u);
  EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, 1, &mode),
            D3DERR_INVALIDCALL);
  d3d->Release();
}

TEST(Direct3DCreation, UnsupportedParametersGiveNoDevice) {
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  struct Case {
    const char* what;
    D3DPRESENT_PARAMETERS parameters;
    D3DDEVTYPE type;
    DWORD behaviour;
  };
  auto with = [](auto change) {
    D3DPRESENT_PARAMETERS p = windowedParameters(64, 48);
    change(p);
    return p;
  };
  const DWORD hardware = D3DCREATE_HARDWARE_VERTEXPROCESSING;
  const Case cases[] = {
      {"reference rasteriser", windowedParameters(64, 48), D3DDEVTYPE_REF, hardware},
      {"no vertex processing", windowedParameters(64, 48), D3DDEVTYPE_HAL, 0},
      {"two vertex processings", windowedParameters(64, 48), D3DDEVTYPE_HAL,
       hardware | D3DCREATE_SOFTWARE_VERTEXPROCESSING},
      {"headless without a size", windowedParameters(0, 0), D3DDEVTYPE_HAL, hardware},
      {"multisampling", with([](auto& p) { p.MultiSampleType = D3DMULTISAMPLE_NONMASKABLE; }),
       D3DDEVTYPE_HAL, hardware},
      {"two back buffers", with([](auto& p) { p.BackBufferCount = 2; }), D3DDEVTYPE_HAL, hardware},
      {"depth of a colour format", with([](auto& p) { p.AutoDepthStencilFormat = D3DFMT_R32F; }),
       D3DDEVTYPE_HAL, hardware},
      {"full screen of the desktop format", with([](auto& p) { p.Windowed = FALSE; }),
       D3DDEVTYPE_HAL, hardware},
  };
  for (const Case& c : cases) {
    D3DPRESENT_PARAMETERS parameters = c.parameters;
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(&parameters);
    EXPECT_LT(
        d3d->CreateDevice(D3DADAPTER_DEFAULT, c.type, nullptr, c.behaviour, &parameters, &device),
        0)
        << c.what;
    EXPECT_EQ(device, nullptr) << c.what;
  }
  d3d->Release();
}

// Creates a headless device in a child with the environment given ("NAME=value"; "NAME="
// removes it) and exits 0 where the result is `expected` (and, for success, the dialect is
// `dialect`), so that death tests can read what it wrote.
[[noreturn]] void createDeviceAndExit(std::initializer_list<const char*> environment,
                                      HRESULT expected, const char* dialect = "") {
  for (const char* entry : environment) {
    const std::string text = entry;
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals), value = text.substr(equals + 1);
    value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
  }
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = windowedParameters(64, 48);
  IDirect3DDevice9* device = nullptr;
  const HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
  const bool asExpected =
      hr == expected && (FAILED(hr) ? device == nullptr
                                    : std::string(platform::d3d9::dialectName(device)) == dialect);
  if (device) device->Release();
  d3d->Release();
  std::exit(asExpected ? 0 : 1);
}

TEST(Direct3DCreationDeathTest, AnOlderOpenGlIsNamedInTheMessage) {
  // Mesa reports the version this variable asks for, as an older driver would.
  EXPECT_EXIT(
      createDeviceAndExit({"MESA_GL_VERSION_OVERRIDE=3.3", "VANTOR_GL=core"}, D3DERR_NOTAVAILABLE),
      ::testing::ExitedWithCode(0),
      "OpenGL 4.5 core profile is needed; this machine offers OpenGL 3\\.3");
}

// Without VANTOR_GL a machine whose desktop GL is too old gets the ES dialect, and is told.
TEST(Direct3DCreationDeathTest, TheDefaultFallsBackToEsAndSaysWhichItUses) {
  EXPECT_EXIT(createDeviceAndExit({"MESA_GL_VERSION_OVERRIDE=3.3", "VANTOR_GL="}, D3D_OK, "es3"),
              ::testing::ExitedWithCode(0),
              "OpenGL 4\\.5 core profile is needed; .*; using OpenGL ES 3\\.0 \\(VANTOR_GL=es3\\)");
}

// The ES dialect needs float targets; without them the device is refused with the
// extension named, never made to draw black pictures.
TEST(Direct3DCreationDeathTest, EsWithoutFloatTargetsIsRefusedNamingTheExtension) {
  EXPECT_EXIT(
      createDeviceAndExit({"MESA_EXTENSION_OVERRIDE=-GL_EXT_color_buffer_float", "VANTOR_GL=es3"},
                          D3DERR_NOTAVAILABLE),
      ::testing::ExitedWithCode(0), "without EXT_color_buffer_float");
}

// Timestamps are optional in ES: without the extension the query is refused, saying why, so
// that the pass timer reports no GPU timings instead of zeros.
TEST(Direct3DCreationDeathTest, EsWithoutTimerQueriesHasNoTimestampQueries) {
  EXPECT_EXIT(
      {
        setenv("MESA_EXTENSION_OVERRIDE", "-GL_EXT_disjoint_timer_query", 1);
        setenv("VANTOR_GL", "es3", 1);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters = windowedParameters(64, 48);
        IDirect3DDevice9* device = nullptr;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device))) {
          std::exit(2);
        }
        IDirect3DQuery9* query = nullptr;
        const HRESULT hr = device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, &query);
        device->Release();
        d3d->Release();
        std::exit(hr == D3DERR_NOTAVAILABLE && query == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "no timestamps \\(EXT_disjoint_timer_query\\)");
}

TEST(Direct3DCreationDeathTest, AnUnknownDialectIsRefusedNamingTheChoices) {
  EXPECT_EXIT(createDeviceAndExit({"VANTOR_GL=vulkan"}, D3DERR_NOTAVAILABLE),
              ::testing::ExitedWithCode(0), "VANTOR_GL=vulkan names no GL dialect: core or es3");
}

}  // namespace
