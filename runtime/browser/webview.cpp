// Construction, the requests of a ready browser, and deletion.
#include "runtime/browser/webview.h"

#include <new>

#include "runtime/browser/creation_handler.h"

namespace webview {

DWORD creation_timeout_ms = default_creation_timeout_ms;

namespace {

// A NUL-terminated UTF-16 copy of UTF-8 text, to be freed with free(); null
// when memory is short.
wchar_t* wide_copy_of(const char* text) {
  int units = text && *text ? MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0) : 0;
  auto* copy = (wchar_t*)malloc(sizeof(wchar_t) * (units > 0 ? units : 1));
  if (!copy) return nullptr;
  copy[0] = 0;
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, text, -1, copy, units);
  return copy;
}

}  // namespace

webview::webview(bool debug, HWND host) : host_(host), debug_(debug) {
  if (!IsWindow(host)) return;
  runtime_ = find_webview2_runtime();
  if (!runtime_.module) return;
  handler_ = new (std::nothrow) creation_handler(this);
  if (!handler_) return;
  environment_attempts_left_ = runtime_.create_internal ? environment_attempts : 1;
  controller_attempts_left_ = controller_attempts;
  creation_pending_ = true;
  create_environment();
  if (!wait_for_creation() || !ready_) return;
  resize_to_host();
  controller_->put_IsVisible(TRUE);
  controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

// References go before the module that implements them, and the handler is
// detached first so that nothing released here calls back into this object.
webview::~webview() {
  if (handler_) handler_->detach();
  if (web_view_3_) web_view_3_->Release();
  if (web_view_) {
    if (message_handler_added_) web_view_->remove_WebMessageReceived(message_token_);
    if (close_handler_added_) web_view_->remove_WindowCloseRequested(close_token_);
    web_view_->Release();
  }
  if (controller_) {
    // Breaks the runtime's references to our handlers, which a release alone may not.
    controller_->Close();
    controller_->Release();
  }
  if (environment_) environment_->Release();
  if (handler_) handler_->Release();
  // A runtime that may still answer an abandoned creation keeps its module.
  if (!creation_abandoned_) unload_webview2_runtime(runtime_);
}

// The runtime answers through messages of this thread, so they are dispatched
// here; a WM_QUIT is put back for the program's own loop.
bool webview::wait_for_creation() {
  DWORD start = GetTickCount();
  while (creation_pending_) {
    MSG message;
    while (creation_pending_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage((int)message.wParam);
        creation_abandoned_ = true;
        return false;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (!creation_pending_) break;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= creation_timeout_ms) {
      creation_abandoned_ = true;
      return false;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, creation_timeout_ms - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

// Posted, not sent: the runtime is in the middle of a call, and the window's
// owner may tear this browser down when it sees the close.
void webview::close_requested() { PostMessageW(GetAncestor(host_, GA_ROOT), WM_CLOSE, 0, 0); }

void webview::navigate(const char* address) {
  if (!web_view_) return;
  wchar_t* wide = wide_copy_of(address);
  if (!wide) return;
  web_view_->Navigate(*wide ? wide : L"about:blank");
  free(wide);
}

void webview::set_html(const char* html) {
  if (!web_view_) return;
  wchar_t* wide = wide_copy_of(html);
  if (!wide) return;
  web_view_->NavigateToString(wide);
  free(wide);
}

void webview::resize_to_host() {
  if (!ready_) return;
  RECT bounds{};
  GetClientRect(host_, &bounds);
  controller_->put_Bounds(bounds);
}

bool webview::map_virtual_host(const char* host, const wchar_t* folder) {
  if (!web_view_ || !host || !*host || !folder || !*folder) return false;
  // Runtimes from before virtual host names lack the interface.
  if (!web_view_3_ && FAILED(web_view_->QueryInterface(IID_ICoreWebView2_3, (void**)&web_view_3_)))
    web_view_3_ = nullptr;
  if (!web_view_3_) return false;
  wchar_t* wide_host = wide_copy_of(host);
  if (!wide_host) return false;
  HRESULT result =
      web_view_3_->SetVirtualHostNameToFolderMapping(wide_host, folder, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
  free(wide_host);
  return SUCCEEDED(result);
}

}  // namespace webview
