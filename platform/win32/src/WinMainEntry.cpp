#include <windows.h>

// The C entry of a program whose engine defines WinMain. The command line is not passed on.
int main() { return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT); }
