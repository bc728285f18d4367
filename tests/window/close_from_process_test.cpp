// A close request sent from another process while the event loop waits in
// GetMessageW: the system handles it inside the wait, and only the posted
// unlock message makes the wait return.
#include <string>

#include "window_test_support.h"

namespace {
using CloseFromProcess = window_test;

TEST_F(CloseFromProcess, WaitReturnsTheUnlockMessageThenTheCloseEvent) {
  auto window = (HWND)open_window(0, 50, 60, 300, 200, L"target", 0xC80000);
  drain();
  wchar_t path[MAX_PATH];
  std::wstring command(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  wchar_t arguments[64];
  swprintf(arguments, 64, L"close_sender.exe %llx 300", (unsigned long long)(uintptr_t)window);
  command = command.substr(0, command.find_last_of(L"\\/") + 1) + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION helper{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &helper));

  EXPECT_EQ(wait_window_event(), RegisterWindowMessageW(L"TL_UnlockQueueEventMessage"));
  EXPECT_EQ(wait_window_event_timeout(0), event_close);
  EXPECT_TRUE(IsWindow(window));
  DWORD exit_code = 99;
  WaitForSingleObject(helper.hProcess, 20000);
  GetExitCodeProcess(helper.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(helper.hThread);
  CloseHandle(helper.hProcess);
}
}  // namespace
