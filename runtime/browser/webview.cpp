// Construction, the requests of a ready browser, and deletion.
#include "runtime/browser/webview.h"

#include <commctrl.h>

#include <new>

#include "payload/virtual_host.h"
#include "runtime/browser/archive_server.h"
#include "runtime/browser/dev_server.h"
#include "runtime/browser/creation_handler.h"
#include "runtime/browser/title_watcher.h"
#include "runtime/core/utf16.h"

namespace webview {

DWORD creation_timeout_ms = default_creation_timeout_ms;

namespace {

// A NUL-terminated UTF-16 copy of UTF-8 text, to be freed with free(); null
// when memory is short.
wchar_t* wide_copy_of(const char* text) {
  std::string_view utf8(text ? text : "");
  int units = std::max(utf8_to_wide(utf8, nullptr, 0), 0);
  auto* copy = (wchar_t*)malloc(sizeof(wchar_t) * ((size_t)units + 1));
  if (!copy) return nullptr;
  if (units > 0) utf8_to_wide(utf8, copy, units);
  copy[units] = 0;
  return copy;
}

}  // namespace

webview::webview(bool debug, HWND host, environment* prepared) : host_(host), debug_(debug) {
  if (!IsWindow(host)) return;
  start_browser(prepared);
  if (ready_) SetWindowSubclass(host_, host_procedure, (UINT_PTR)this, (DWORD_PTR)this);
}

void webview::start_browser(environment* prepared) {
  DWORD start = GetTickCount();
  if (prepared) prepared->retain();
  environment_ = prepared ? prepared : new (std::nothrow) environment();
  if (!environment_ || !environment_->runtime_found()) return;
  if (!wait_until([this] { return !environment_->pending(); }, start) || !environment_->ready()) return;
  handler_ = new (std::nothrow) creation_handler(this);
  if (!handler_) return;
  controller_attempts_left_ = controller_attempts;
  creation_pending_ = true;
  create_controller();
  if (!wait_until([this] { return !creation_pending_; }, start)) {
    // The runtime may still answer the controller's creation.
    environment_->keep_runtime_loaded();
    return;
  }
  if (!ready_) return;
  resize_to_host();
  controller_->put_IsVisible(TRUE);
  controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

webview::~webview() {
  if (IsWindow(host_)) RemoveWindowSubclass(host_, host_procedure, (UINT_PTR)this);
  if (dev_watch_) FindCloseChangeNotification(dev_watch_);
  stop_browser();
}

// References go before the environment that holds the runtime's module, and
// the handlers are detached first so that nothing released here calls back
// into this object.
void webview::stop_browser() {
  settle_waiting_permissions();
  if (handler_) handler_->detach();
  if (title_watcher_) title_watcher_->detach();
  if (web_view_) {
    if (title_watcher_) web_view_->remove_DocumentTitleChanged(title_token_);
    if (server_) web_view_->remove_WebResourceRequested(server_token_);
    if (message_handler_added_) web_view_->remove_WebMessageReceived(message_token_);
    if (close_handler_added_) web_view_->remove_WindowCloseRequested(close_token_);
    if (new_window_handler_added_) web_view_->remove_NewWindowRequested(new_window_token_);
    if (navigation_handler_added_) web_view_->remove_NavigationStarting(navigation_token_);
    if (failure_handler_added_) web_view_->remove_ProcessFailed(failure_token_);
    if (permission_handler_added_) web_view_->remove_PermissionRequested(permission_token_);
    web_view_->Release();
  }
  if (controller_) {
    // Breaks the runtime's references to our handlers, which a release alone may not.
    controller_->Close();
    controller_->Release();
  }
  if (handler_) handler_->Release();
  if (title_watcher_) title_watcher_->Release();
  if (server_) server_->Release();
  if (environment_) environment_->release();
  environment_ = nullptr;
  handler_ = nullptr;
  title_watcher_ = nullptr;
  server_ = nullptr;
  web_view_ = nullptr;
  controller_ = nullptr;
  ready_ = creation_pending_ = false;
  message_handler_added_ = close_handler_added_ = new_window_handler_added_ = navigation_handler_added_ = false;
  failure_handler_added_ = permission_handler_added_ = false;
}

// The runtime answers through messages of this thread, so they are dispatched
// here; a WM_QUIT is put back for the program's own loop.
template <class Done>
bool webview::wait_until(Done done, DWORD start) {
  while (!done()) {
    MSG message;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage((int)message.wParam);
        return false;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) break;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= creation_timeout_ms) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, creation_timeout_ms - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

// Posted, not sent: the runtime is in the middle of a call, and the window's
// owner may tear this browser down when it sees the close.
void webview::close_requested() { PostMessageW(GetAncestor(host_, GA_ROOT), WM_CLOSE, 0, 0); }

void webview::navigate(const char* address) {
  if (!web_view_) return;
  try {
    address_ = address ? address : "";
  } catch (...) {
  }
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

bool webview::serve_requests(const char* host, ICoreWebView2WebResourceRequestedEventHandler* server) {
  std::string lowered = lower_case_host(host);
  wchar_t* filter = wide_copy_of(("https://" + lowered + "/*").c_str());
  HRESULT filtered = filter ? web_view_->AddWebResourceRequestedFilter(filter, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL)
                            : E_OUTOFMEMORY;
  free(filter);
  if (FAILED(filtered) || FAILED(web_view_->add_WebResourceRequested(server, &server_token_))) {
    server->Release();
    return false;
  }
  server_ = server;
  try {
    served_host_ = host;
  } catch (...) {
  }
  return true;
}

bool webview::serve_archive(const char* host, const zip_index& index) {
  if (!web_view_ || server_ || !host || !*host || !environment_->ready()) return false;
  auto* server = new (std::nothrow) archive_server(lower_case_host(host), index, environment_->ready());
  if (!server || !serve_requests(host, server)) return false;
  served_index_ = &index;
  return true;
}

bool webview::serve_dev(const char* host, const std::string& dev_url, const std::wstring& folder) {
  if (!web_view_ || server_ || !host || !*host || !environment_->ready()) return false;
  auto* server = new (std::nothrow) dev_server(lower_case_host(host), dev_url, folder, environment_->ready(), host_);
  if (!server || !serve_requests(host, server)) return false;
  try {
    dev_url_ = dev_url;
    dev_folder_ = folder;
  } catch (...) {
  }
  if (dev_url.empty() && !dev_watch_) watch_dev_folder();
  return true;
}

// The script must be in place before the app's first page, which the
// owner navigates to right after: its completion is waited for.
bool webview::serve_page_api(const wchar_t* script, page_message_listener listener, void* context) {
  if (!script) {
    page_listener_ = nullptr;
    page_script_.clear();
    return true;
  }
  if (!ready_ || !web_view_) return false;
  int before = scripts_added_;
  if (FAILED(web_view_->AddScriptToExecuteOnDocumentCreated(script, handler_))) return false;
  if (!wait_until([this, before] { return scripts_added_ > before; }, GetTickCount())) return false;
  page_listener_ = listener;
  page_listener_context_ = context;
  try {
    page_script_ = script;
  } catch (...) {
  }
  return true;
}

bool webview::follow_title(title_listener listener, void* context) {
  if (!ready_ || !web_view_) return false;
  if (!title_watcher_) {
    auto* watcher = new (std::nothrow) title_watcher(this);
    if (!watcher) return false;
    if (FAILED(web_view_->add_DocumentTitleChanged(watcher, &title_token_))) {
      watcher->Release();
      return false;
    }
    title_watcher_ = watcher;
  }
  title_listener_ = listener;
  title_listener_context_ = context;
  return true;
}

// The browser gives a document without a title its address as one, which
// the window's title should not become.
void webview::title_changed() {
  if (!title_listener_ || !web_view_) return;
  LPWSTR title = nullptr, source = nullptr;
  if (FAILED(web_view_->get_DocumentTitle(&title))) title = nullptr;
  if (FAILED(web_view_->get_Source(&source))) source = nullptr;
  bool own = title && !stand_in_title(title, source ? source : L"");
  title_listener_(title_listener_context_, own ? title : L"");
  CoTaskMemFree(title);
  CoTaskMemFree(source);
}

bool webview::post_to_page(const wchar_t* json) {
  return web_view_ && SUCCEEDED(web_view_->PostWebMessageAsJson(json));
}

}  // namespace webview
