// window-control: lets a shell script drive a program's window under Wine
// without killing anything.
//   window-control wait TITLE [SECONDS]  waits (30 s by default) until a
//       visible top-level window has this exact title and prints its outer
//       rectangle on the screen as "left top right bottom"
//   window-control close TITLE           asks that window to close, as its
//       close box does (WM_CLOSE)
// Exit status 0 when the window was there, 1 when it was not, 2 for a wrong
// command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

struct search_record {
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK match_title(HWND candidate, LPARAM parameter) {
  auto* search = (search_record*)parameter;
  wchar_t text[512] = {};
  GetWindowTextW(candidate, text, 512);
  if (!IsWindowVisible(candidate) || wcscmp(text, search->title) != 0) return TRUE;
  search->found = candidate;
  return FALSE;
}

HWND find_window(const wchar_t* title) {
  search_record search = {title, nullptr};
  EnumWindows(match_title, (LPARAM)&search);
  return search.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: window-control wait TITLE [SECONDS] | close TITLE\n");
    return 2;
  }
  const wchar_t* title = argv[2];
  if (wcscmp(argv[1], L"close") == 0) {
    HWND window = find_window(title);
    return window && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (wcscmp(argv[1], L"wait") != 0) return 2;
  DWORD timeout_ms = argc > 3 ? wcstoul(argv[3], nullptr, 10) * 1000 : 30000;
  for (DWORD waited = 0;; waited += 50) {
    if (HWND window = find_window(title)) {
      RECT r;
      GetWindowRect(window, &r);
      printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
      return 0;
    }
    if (waited >= timeout_ms) return 1;
    Sleep(50);
  }
}
