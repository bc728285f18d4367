// Test helper: stands in for the user's default browser. Registered as the
// shell's command for https addresses, it is started with the file to record
// in and the address a program asked the shell to open, and appends the
// address to the file as one line of UTF-8.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HANDLE record = CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (record == INVALID_HANDLE_VALUE) return 1;
  char line[4096];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, line, sizeof line - 1, nullptr, nullptr);
  if (bytes <= 0) return 1;
  line[bytes - 1] = '\n';
  DWORD written = 0;
  bool ok = WriteFile(record, line, (DWORD)bytes, &written, nullptr) && written == (DWORD)bytes;
  CloseHandle(record);
  return ok ? 0 : 1;
}
