// Test helper: from a process of its own, sends WM_CLOSE to the window whose
// handle is given in hexadecimal, after the given number of milliseconds, so
// that it reaches a thread waiting in GetMessageW. Then it posts WM_APP + 99,
// which wakes a wait that the close alone failed to end.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  auto window = (HWND)(uintptr_t)strtoull(argv[1], nullptr, 16);
  Sleep(strtoul(argv[2], nullptr, 10));
  DWORD_PTR result = 0;
  bool sent = SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
  PostMessageW(window, WM_APP + 99, 0, 0);
  return sent ? 0 : 1;
}
