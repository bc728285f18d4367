// Prints icon 1 of an executable as Windows itself loads it at a given size
// ("WxH" and the BGRA pixels top-down in hex), or with "sizes" the sizes its
// group lists, or with "version" its version resource (icon_pixels.h). Lets
// the Linux tests check what the Linux packer writes with Windows' own
// loader under Wine.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>

#include "wapp_pack/icon_pixels.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::wstring what = argv[2];
  std::string text = what == L"version" ? version_texts(argv[1])
                     : what == L"sizes" ? icon_one_sizes(argv[1])
                                        : icon_one_pixels(argv[1], (int)std::wcstol(argv[2], nullptr, 10));
  _setmode(_fileno(stdout), _O_BINARY);  // the lines as they are, without CR
  std::fputs(text.c_str(), stdout);
  return text.empty() ? 1 : 0;
}
