#include "Core/Fatal.h"

#include <d3d9.h>

#include <cstdio>

// The failed-assertion report comes from the C run-time itself, whatever NDEBUG says.
#undef NDEBUG
#include <cassert>

namespace vantor {

char fatalMessage[fatalMessageSize];

void failAssertion(const char* expression, const char* file, unsigned line) {
  std::fflush(stdout);
  __assert_fail(expression, file, line, nullptr);
}

const char* resultName(HRESULT result) {
  switch (result) {
    case D3D_OK: return "D3D_OK";
    case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL";
    case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE";
    case D3DERR_OUTOFVIDEOMEMORY: return "D3DERR_OUTOFVIDEOMEMORY";
    case D3DERR_NOTFOUND: return "D3DERR_NOTFOUND";
    case D3DERR_DEVICELOST: return "D3DERR_DEVICELOST";
    case D3DERR_WASSTILLDRAWING: return "D3DERR_WASSTILLDRAWING";
    case D3DERR_DRIVERINTERNALERROR: return "D3DERR_DRIVERINTERNALERROR";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_NOINTERFACE: return "E_NOINTERFACE";
    case E_POINTER: return "E_POINTER";
    case E_FAIL: return "E_FAIL";
    case E_OUTOFMEMORY: return "E_OUTOFMEMORY";
    case E_INVALIDARG: return "E_INVALIDARG";
    default: return nullptr;
  }
}

void checkResult(HRESULT result, const char* file, unsigned line) {
  if (result >= 0) return;
  if (const char* name = resultName(result)) {
    std::fprintf(stderr, "%s\n", name);
  } else {
    std::fprintf(stderr, "HRESULT 0x%08X\n", static_cast<unsigned>(result));
  }
  failAssertion("0", file, line);
}

void reportFatal(int site) {
  std::snprintf(fatalMessage, sizeof fatalMessage, "Unexpected fatal error(#%d).", site);
  MessageBoxA(nullptr, fatalMessage, "Vantor error", MB_OK);
}

}  // namespace vantor
