// The page comes back when a process of the browser fails: the renderer's
// end reloads it, the browser's end makes the browser anew in the same
// window, both within the bound of launcher-common/renderer_recovery.h; a
// renderer that stops answering gets the user a choice.
#include "runtime/browser/webview.h"

#include <commctrl.h>

#include "runtime/core/utf16.h"

namespace webview {

namespace {

// Posted to the host window: what follows a failure is done outside the
// runtime's event.
constexpr UINT start_again_message = WM_APP + 0x57;
constexpr UINT ask_message = WM_APP + 0x58;

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
    set_html(recovery_page(app_name_of(host_), address_).c_str());
  } catch (...) {
  }
}

LRESULT CALLBACK webview::host_procedure(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
  auto* browser = (webview*)self;
  if (message == start_again_message) browser->start_again();
  else if (message == ask_message) browser->ask_about_unresponsive_page();
  else return DefSubclassProc(window, message, w, l);
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
  if (!script.empty()) serve_page_api(script.c_str(), page_listener_, page_listener_context_);
  if (title_listener_) follow_title(title_listener_, title_listener_context_);
  navigate(address.c_str());
}

void webview::ask_about_unresponsive_page() {
  if (asking_ || !web_view_) return;
  asking_ = true;
  unresponsive_question question = unresponsive_question_for(app_name_of(host_));
  std::wstring title = wide_of(question.title), text = wide_of(question.text);
  std::wstring wait = wide_of(unresponsive_question::wait), reload = wide_of(unresponsive_question::reload);
  const TASKDIALOG_BUTTON buttons[] = {{IDRETRY, reload.c_str()}, {IDCANCEL, wait.c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = GetAncestor(host_, GA_ROOT);
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = title.c_str();
  config.pszMainInstruction = title.c_str();
  config.pszContent = text.c_str();
  config.cButtons = 2;
  config.pButtons = buttons;
  config.nDefaultButton = IDCANCEL;
  // Only the common controls of version 6, which the launcher's manifest
  // asks for, have the task dialog; a program without falls back on a plain
  // question.
  using task_dialog = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  auto show = (task_dialog)(void*)GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect");
  int chosen = IDCANCEL;
  if (!show || FAILED(show(&config, &chosen, nullptr, nullptr))) {
    std::wstring plain = text + L"\n\n" + reload + L"?";
    chosen = MessageBoxW(config.hwndParent, plain.c_str(), title.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES ? IDRETRY
                                                                                                          : IDCANCEL;
  }
  asking_ = false;
  if (chosen == IDRETRY && web_view_) web_view_->Reload();
}

}  // namespace webview
