// Creating the browser on a ready environment: the controller on the host
// window, then the web view's settings, event handlers and init script. Each
// step is started here and finished by the runtime's call to the creation
// handler.
#include "runtime/browser/creation_handler.h"
#include "runtime/browser/webview.h"

namespace webview {

void webview::create_controller() {
  controller_attempts_left_--;
  HRESULT result = environment_->ready()->CreateCoreWebView2Controller(host_, handler_);
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
  new_window_handler_added_ = SUCCEEDED(web_view_->add_NewWindowRequested(handler_, &new_window_token_));
  navigation_handler_added_ = SUCCEEDED(web_view_->add_NavigationStarting(handler_, &navigation_token_));
  failure_handler_added_ = SUCCEEDED(web_view_->add_ProcessFailed(handler_, &failure_token_));
  permission_handler_added_ = SUCCEEDED(web_view_->add_PermissionRequested(handler_, &permission_token_));
  // The script applies to documents created after its completion, so the
  // browser is ready only then; the first address will have it.
  if (FAILED(web_view_->AddScriptToExecuteOnDocumentCreated(init_script, handler_))) creation_finished(true);
}

void webview::script_added() {
  scripts_added_++;
  if (creation_pending_ && controller_) creation_finished(true);
}

}  // namespace webview
