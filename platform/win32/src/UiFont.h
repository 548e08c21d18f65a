// The dialog font: the system's sans-serif face (through fontconfig) rendered by FreeType
// at a fixed pixel size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::win32 {

struct TextImage {
  int width = 0;
  int height = 0;  // always lineHeight
  int baseline = 0;
  std::vector<std::uint8_t> coverage;  // width × height, 0..255, top row first
};

// False when no face could be loaded (logged once): text is then not drawn.
bool renderText(const std::string& text, TextImage& image);
int textLineHeight();

}  // namespace platform::win32
