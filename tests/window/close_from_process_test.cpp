// A close request sent from another process while the event loop waits in
// GetMessageW: the system handles it inside the wait, and only the posted
// unlock message makes the wait return.
#include <string>
#include <thread>

#include "window_test_support.h"

namespace {
std::wstring helper_path() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"close_sender.exe";
}

// Ends a wait that nothing else would end, so a fault fails the test
// instead of hanging it.
class watchdog {
 public:
  explicit watchdog(DWORD thread) : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    worker_ = std::thread([this, thread] {
      if (WaitForSingleObject(stop_, 20000) == WAIT_TIMEOUT) PostThreadMessageW(thread, WM_APP + 99, 0, 0);
    });
  }
  ~watchdog() {
    SetEvent(stop_);
    worker_.join();
    CloseHandle(stop_);
  }

 private:
  HANDLE stop_;
  std::thread worker_;
};

using CloseFromProcess = window_test;

TEST_F(CloseFromProcess, WaitReturnsTheUnlockMessageThenTheCloseEvent) {
  auto window = (HWND)open_window(0, 50, 60, 300, 200, L"target", 0xC80000);
  drain();
  UINT unlock = RegisterWindowMessageW(L"TL_UnlockQueueEventMessage");

  // The handle goes as hexadecimal; the helper waits a moment so that the
  // message arrives while this thread is inside GetMessageW.
  wchar_t hex[32];
  swprintf(hex, 32, L"%llx", (unsigned long long)(uintptr_t)window);
  std::wstring command = L"\"" + helper_path() + L"\" " + hex + L" 300";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
      << "helper " << std::string(command.begin(), command.end());

  int64_t first;
  {
    watchdog guard(GetCurrentThreadId());
    first = wait_window_event();
  }
  EXPECT_EQ(first, unlock);
  EXPECT_EQ(wait_window_event_timeout(0), event_close);
  EXPECT_EQ(current_event().window, 0);
  EXPECT_TRUE(IsWindow(window));

  WaitForSingleObject(process.hProcess, 20000);
  DWORD exit_code = 99;
  GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
}  // namespace
