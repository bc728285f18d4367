// Test helper: from a process of its own, sends WM_CLOSE to the window whose
// handle is given in hexadecimal, after the given number of milliseconds, so
// that the close request reaches a thread that is waiting in GetMessageW.
// Exit code 0 when the message was delivered.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  auto window = (HWND)(uintptr_t)strtoull(argv[1], nullptr, 16);
  if (argc > 2) Sleep(strtoul(argv[2], nullptr, 10));
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result) ? 0 : 1;
}
