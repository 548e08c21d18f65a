#include <windows.h>

#include <cstdio>

// Without a window system the box is written to standard error, and OK is the answer.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
  return IDOK;
}
