// The GDI stand-in's objects behind HDC and HFONT handles. Handles are checked against the
// live objects, so a stale or foreign handle is refused instead of dereferenced.
#pragma once

#include <windows.h>

#include "FontFace.h"

namespace platform::d3dx9 {

// The font selected into a live device context (the stock font when none was selected), or
// null for a handle that is not a live context.
const FontRequest* selectedFont(HDC dc);

}  // namespace platform::d3dx9
