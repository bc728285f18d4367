// Creating the browser: environment, then controller on the host window, then
// the web view's settings, event handlers and init script. Each step is
// started here and finished by the runtime's call to the creation handler.
#include <shlobj.h>

#include <cwchar>

#include "runtime/browser/creation_handler.h"
#include "runtime/browser/webview.h"

namespace webview {

namespace {

// The roaming application-data folder joined with the executable's file
// name, so that each program keeps its browser data apart. False when it
// cannot be made whole; the runtime then picks its own default.
bool user_data_folder(wchar_t (&folder)[2 * MAX_PATH]) {
  wchar_t module[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (!length || length >= MAX_PATH) return false;
  const wchar_t* name = module;
  for (const wchar_t* p = module; *p; p++) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
  size_t room = 2 * MAX_PATH - wcslen(folder);
  // Some C runtimes answer the full length of a cut text rather than -1.
  int written = swprintf(folder + wcslen(folder), room, L"\\%ls", name);
  return written > 0 && (size_t)written < room;
}

}  // namespace

void webview::create_environment() {
  environment_attempts_left_--;
  wchar_t folder[2 * MAX_PATH];
  const wchar_t* data = user_data_folder(folder) ? folder : nullptr;
  HRESULT result = runtime_.create_internal
                       ? runtime_.create_internal(TRUE, webview2_runtime_installed, data, nullptr, handler_)
                       : runtime_.create_with_loader(nullptr, data, nullptr, handler_);
  if (FAILED(result)) environment_created(result, nullptr);
}

void webview::environment_created(HRESULT error, ICoreWebView2Environment* environment) {
  if (!creation_pending_ || environment_) return;
  if (FAILED(error) || !environment) {
    if (environment_attempts_left_ > 0) {
      create_environment();
    } else {
      creation_finished(false);
    }
    return;
  }
  environment->AddRef();
  environment_ = environment;
  create_controller();
}

void webview::create_controller() {
  controller_attempts_left_--;
  HRESULT result = environment_->CreateCoreWebView2Controller(host_, handler_);
  if (FAILED(result)) controller_created(result, nullptr);
}

void webview::controller_created(HRESULT error, ICoreWebView2Controller* controller) {
  if (!creation_pending_ || controller_) {
    // Not asked for: it must not stay in the host as a second browser.
    if (controller) controller->Close();
    return;
  }
  if (FAILED(error) || !controller) {
    // The browser process is shared with other options, or the host is gone.
    bool hopeless = error == HRESULT_FROM_WIN32(ERROR_INVALID_STATE) || error == E_ABORT;
    if (!hopeless && controller_attempts_left_ > 0) {
      create_controller();
    } else {
      creation_finished(false);
    }
    return;
  }
  controller->AddRef();
  controller_ = controller;
  set_up_web_view();
}

// Without its web view the controller still counts as ready: whoever uses it
// asks for the web view and sees the failure there.
void webview::set_up_web_view() {
  if (FAILED(controller_->get_CoreWebView2(&web_view_)) || !web_view_) {
    web_view_ = nullptr;
    creation_finished(true);
    return;
  }
  ICoreWebView2Settings* settings = nullptr;
  if (SUCCEEDED(web_view_->get_Settings(&settings)) && settings) {
    settings->put_AreDevToolsEnabled(debug_);
    settings->put_IsStatusBarEnabled(FALSE);
    // Pages may draw their own title bar ("app-region: drag"); runtimes
    // before 123 lack the interface and go without.
    ICoreWebView2Settings9* settings_9 = nullptr;
    if (SUCCEEDED(settings->QueryInterface(IID_ICoreWebView2Settings9, (void**)&settings_9)) && settings_9) {
      settings_9->put_IsNonClientRegionSupportEnabled(TRUE);
      settings_9->Release();
    }
    settings->Release();
  }
  message_handler_added_ = SUCCEEDED(web_view_->add_WebMessageReceived(handler_, &message_token_));
  close_handler_added_ = SUCCEEDED(web_view_->add_WindowCloseRequested(handler_, &close_token_));
  // The script applies to documents created after its completion, so the
  // browser is ready only then; the first address will have it.
  if (FAILED(web_view_->AddScriptToExecuteOnDocumentCreated(init_script, handler_))) creation_finished(true);
}

void webview::script_added() {
  if (creation_pending_ && controller_) creation_finished(true);
}

}  // namespace webview
