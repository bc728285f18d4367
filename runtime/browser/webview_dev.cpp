// A dev run's folder watched for changes: a thread waits for the system's
// change notification of the folder and everything below it and tells the
// host window, which reloads the page once the changes have settled for
// 100 ms (an editor's save, or a build's many files, is one reload).
#include <new>

#include "runtime/browser/dev_server.h"
#include "runtime/browser/webview.h"

namespace webview {

namespace {

constexpr UINT_PTR settle_timer = 0x7764;

DWORD WINAPI watch(void* data) {
  auto* watched = (std::pair<HANDLE, HWND>*)data;
  // Ends when the notification is closed with the browser.
  while (WaitForSingleObject(watched->first, INFINITE) == WAIT_OBJECT_0) {
    PostMessageW(watched->second, dev_change_message, 0, 0);
    if (!FindNextChangeNotification(watched->first)) break;
  }
  delete watched;
  return 0;
}

}  // namespace

void webview::watch_dev_folder() {
  dev_watch_ = FindFirstChangeNotificationW(dev_folder_.c_str(), TRUE,
                                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
  if (dev_watch_ == INVALID_HANDLE_VALUE) {
    dev_watch_ = nullptr;
    return;
  }
  auto* watched = new (std::nothrow) std::pair<HANDLE, HWND>(dev_watch_, host_);
  HANDLE thread = watched ? CreateThread(nullptr, 0, watch, watched, 0, nullptr) : nullptr;
  if (thread) return (void)CloseHandle(thread);
  delete watched;
}

// From the host window's messages (webview_recovery.cpp's procedure).
bool webview::dev_message(UINT message, WPARAM w, LPARAM l) {
  if (message == dev_answer_message) return dev_server::answered(l), true;
  if (message == dev_change_message) return SetTimer(host_, settle_timer, 100, nullptr), true;
  if (message != WM_TIMER || w != settle_timer) return false;
  KillTimer(host_, settle_timer);
  if (web_view_) web_view_->Reload();
  return true;
}

}  // namespace webview
