// The page comes back when a process of the browser fails: the renderer's
// end reloads it, the browser's end makes the browser anew in the same
// window, both within the bound of launcher-common/renderer_recovery.h; a
// renderer that stops answering gets the user a choice. And the questions
// that follow a page's permission requests.
#include "runtime/browser/webview.h"

#include <commctrl.h>

#include "runtime/browser/user_question.h"
#include "runtime/core/utf16.h"

namespace webview {

namespace {

// Posted to the host window: what follows a failure is done outside the
// runtime's event.
constexpr UINT start_again_message = WM_APP + 0x57;
constexpr UINT ask_message = WM_APP + 0x58;
constexpr UINT ask_permission_message = WM_APP + 0x59;

// The window's title, for a browser that was told no app name.
std::string app_name_of(HWND host) {
  wchar_t title[256] = {};
  GetWindowTextW(GetAncestor(host, GA_ROOT), title, 256);
  return utf8_of(title);
}

}  // namespace

void webview::process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
  switch (kind) {
    case COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED:
      PostMessageW(host_, start_again_message, 0, 0);
      return;
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_UNRESPONSIVE:
      // Raised again every few seconds while the page does not answer.
      if (!asking_) PostMessageW(host_, ask_message, 0, 0);
      return;
    case COREWEBVIEW2_PROCESS_FAILED_KIND_RENDER_PROCESS_EXITED:
      break;
    default:
      return;
  }
  if (!web_view_) return;
  if (recovery_.reload_after_death(GetTickCount64())) {
    web_view_->Reload();
    return;
  }
  try {
    set_html(recovery_page(app_name_.empty() ? app_name_of(host_) : app_name_, address_).c_str());
  } catch (...) {
  }
}

LRESULT CALLBACK webview::host_procedure(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
  auto* browser = (webview*)self;
  if (message == start_again_message) browser->start_again();
  else if (message == ask_message) browser->ask_about_unresponsive_page();
  else if (message == ask_permission_message) browser->ask_about_permission();
  else if (!browser->dev_message(message, w, l)) return DefSubclassProc(window, message, w, l);
  return 0;
}

// A new browser process, as the old one's environment went with it; then
// what the old browser was asked to do. One that keeps ending is not made
// anew more often than a page is reloaded.
void webview::start_again() {
  if (!restarts_.reload_after_death(GetTickCount64())) return;
  stop_browser();
  start_browser(nullptr);
  if (!ready_) return;
  std::string address = address_;
  std::wstring script = page_script_;
  if (served_index_) serve_archive(served_host_.c_str(), *served_index_);
  if (!dev_url_.empty() || !dev_folder_.empty()) serve_dev(served_host_.c_str(), std::string(dev_url_), std::wstring(dev_folder_));
  if (!script.empty()) serve_page_api(script.c_str(), page_listener_, page_listener_context_);
  if (title_listener_) follow_title(title_listener_, title_listener_context_);
  navigate(address.c_str());
}

void webview::ask_about_unresponsive_page() {
  if (asking_ || !web_view_) return;
  asking_ = true;
  unresponsive_question question = unresponsive_question_for(app_name_.empty() ? app_name_of(host_) : app_name_);
  bool reload = ask_user(GetAncestor(host_, GA_ROOT), question.title, question.text, unresponsive_question::reload,
                         unresponsive_question::wait);
  asking_ = false;
  if (reload && web_view_) web_view_->Reload();
}

void webview::answer_permissions(const permission_answers& answers, std::string app_name) {
  permissions_ = answers;
  app_name_ = std::move(app_name);
  answers_permissions_ = true;
}

namespace {

bool kind_of(COREWEBVIEW2_PERMISSION_KIND requested, permission_kind& kind) {
  switch (requested) {
    case COREWEBVIEW2_PERMISSION_KIND_CAMERA: kind = permission_kind::camera; return true;
    case COREWEBVIEW2_PERMISSION_KIND_MICROPHONE: kind = permission_kind::microphone; return true;
    case COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION: kind = permission_kind::geolocation; return true;
    case COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS: kind = permission_kind::notifications; return true;
    case COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ: kind = permission_kind::clipboard_read; return true;
    default: return false;
  }
}

void settle(ICoreWebView2PermissionRequestedEventArgs* args, ICoreWebView2Deferral* deferral, bool allowed) {
  args->put_State(allowed ? COREWEBVIEW2_PERMISSION_STATE_ALLOW : COREWEBVIEW2_PERMISSION_STATE_DENY);
  deferral->Complete();
  deferral->Release();
  args->Release();
}

}  // namespace

// The requester's address decides whose request it is: a frame of another
// origin inside the app's page is not the app.
void webview::permission_requested(ICoreWebView2PermissionRequestedEventArgs* args) {
  if (!answers_permissions_) return;
  LPWSTR uri = nullptr;
  bool own = false;
  if (SUCCEEDED(args->get_Uri(&uri)) && uri) {
    try {
      own = within_app_ && is_app_address(app_, uri);
    } catch (...) {
    }
  }
  CoTaskMemFree(uri);
  COREWEBVIEW2_PERMISSION_KIND requested;
  permission_kind kind{};
  bool known = SUCCEEDED(args->get_PermissionKind(&requested)) && kind_of(requested, kind);
  auto verdict = known ? permissions_.decide(kind, own) : permission_answers::verdict::deny;
  if (verdict != permission_answers::verdict::ask) {
    args->put_State(verdict == permission_answers::verdict::allow ? COREWEBVIEW2_PERMISSION_STATE_ALLOW
                                                                  : COREWEBVIEW2_PERMISSION_STATE_DENY);
    return;
  }
  ICoreWebView2Deferral* deferral = nullptr;
  if (FAILED(args->GetDeferral(&deferral)) || !deferral) {
    args->put_State(COREWEBVIEW2_PERMISSION_STATE_DENY);
    return;
  }
  args->AddRef();
  try {
    waiting_permissions_.push_back({args, deferral, kind});
  } catch (...) {
    settle(args, deferral, false);
    return;
  }
  if (waiting_permissions_.size() == 1) PostMessageW(host_, ask_permission_message, 0, 0);
}

// One question at a time, each kind asked once: requests that came while
// the user was asked take the answer. The browser may go while a question
// is open, its requests settled with it.
void webview::ask_about_permission() {
  while (!waiting_permissions_.empty()) {
    waiting_permission next = waiting_permissions_.front();
    bool allowed = permissions_.decide(next.kind, true) == permission_answers::verdict::allow;
    if (permissions_.decide(next.kind, true) == permission_answers::verdict::ask) {
      permission_question question = permission_question_for(app_name_, next.kind);
      allowed = ask_user(GetAncestor(host_, GA_ROOT), question.title, question.text, permission_question::allow,
                         permission_question::deny);
      permissions_.answer(next.kind, allowed);
    }
    if (waiting_permissions_.empty() || waiting_permissions_.front().args != next.args) continue;
    waiting_permissions_.pop_front();
    settle(next.args, next.deferral, allowed);
  }
}

void webview::settle_waiting_permissions() {
  while (!waiting_permissions_.empty()) {
    waiting_permission next = waiting_permissions_.front();
    waiting_permissions_.pop_front();
    settle(next.args, next.deferral, false);
  }
}

}  // namespace webview
