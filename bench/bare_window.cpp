// The start-up benchmark's floor: a bare program that shows a window and,
// given an archive and a folder, extracts the archive there with libarchive
// and nothing else. When it is done it adds the line "end <peak working set
// in bytes> <time of its entry point>" to the log named by
// WAPP_FAKE_WEBVIEW2_LOG (the fake runtime's log format), so that its times
// from process creation are read as the launcher's are.
// Usage: bare_window [ARCHIVE FOLDER]
#include <windows.h>
#include <psapi.h>

#include <string>

#include "bare_extraction.h"
#include "fakes/fake_webview2.h"

int wmain(int argc, wchar_t** argv) {
  FILETIME entry;
  GetSystemTimePreciseAsFileTime(&entry);
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"BareWindow";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 800, 600, nullptr, nullptr, window_class.hInstance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  bool extracted = argc < 3 || bare_extract(argv[1], argv[2]);
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  append_fake_log_line("end", std::to_string(memory.PeakWorkingSetSize) + " " +
                                  std::to_string(((uint64_t)entry.dwHighDateTime << 32) | entry.dwLowDateTime));
  return extracted ? 0 : 1;
}
