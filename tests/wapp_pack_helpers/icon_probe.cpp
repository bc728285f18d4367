// Prints icon 1 of an executable as Windows itself loads it at a given size:
// "WxH" and the BGRA pixels top-down in hex. Lets the Linux tests check the
// icons the Linux packer writes with Windows' own loader under Wine.
#include <cstdio>
#include <cwchar>

#include "wapp_pack/icon_pixels.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::string pixels = icon_one_pixels(argv[1], (int)std::wcstol(argv[2], nullptr, 10));
  std::fputs(pixels.c_str(), stdout);
  return pixels.empty() ? 1 : 0;
}
