// The environment makes controllers; a controller stands a plain child
// window of its parent in for the browser.
#include <cstdio>

#include "fake_objects.h"
#include "fake_webview2.h"

HRESULT STDMETHODCALLTYPE fake_environment::CreateCoreWebView2Controller(
    HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
  char text[32];
  snprintf(text, sizeof text, "%p", (void*)parent);
  record("create_controller", text);
  if (!handler) return E_POINTER;
  if (!IsWindow(parent)) return E_INVALIDARG;
  handler->AddRef();
  AddRef();
  std::string failure = injected_failure();
  auto complete = [this, parent, handler, failure] {
    HRESULT result = S_OK;
    if (!IsWindow(parent)) {
      result = E_ABORT;  // the parent went before the browser was ready
    } else if (failure == "controller") {
      result = E_FAIL;
    } else if (failure == "controller_invalid_state") {
      result = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    }
    fake_controller* controller = SUCCEEDED(result) ? new fake_controller(this, parent) : nullptr;
    record("controller_completed", hresult_text(result));
    handler->Invoke(result, controller);
    if (controller) controller->Release();
    handler->Release();
    Release();
  };
  post_work(complete, start_delay(fake_controller_delay_variable));
  return S_OK;
}

fake_controller::fake_controller(ICoreWebView2Environment* environment, HWND parent)
    : fake_com("controller", IID_ICoreWebView2Controller), environment_(environment), parent_(parent) {
  environment_->AddRef();
  // Hidden until the client shows it, as a real browser starts.
  browser_ = CreateWindowExW(0, L"STATIC", L"about:blank", WS_CHILD | SS_LEFT, 0, 0, 0, 0, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  web_view_ = new fake_web_view(browser_);
}

fake_controller::~fake_controller() {
  // Closing is implicit in the last release.
  if (!closed_) Close();
  web_view_->Release();
  environment_->Release();
}

HRESULT STDMETHODCALLTYPE fake_controller::get_IsVisible(BOOL* visible) {
  if (!visible) return E_POINTER;
  *visible = IsWindow(browser_) && (GetWindowLongW(browser_, GWL_STYLE) & WS_VISIBLE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::put_IsVisible(BOOL visible) {
  record("visible", visible ? "1" : "0");
  ShowWindow(browser_, visible ? SW_SHOWNA : SW_HIDE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::get_Bounds(RECT* bounds) {
  if (!bounds) return E_POINTER;
  *bounds = {};
  if (!GetWindowRect(browser_, bounds)) return S_OK;
  MapWindowPoints(nullptr, parent_, (POINT*)bounds, 2);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::put_Bounds(RECT bounds) {
  record("bounds", rect_text(bounds));
  MoveWindow(browser_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
  record("focus", std::to_string((int)reason));
  SetFocus(browser_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::get_ParentWindow(HWND* parent) {
  if (!parent) return E_POINTER;
  *parent = parent_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::Close() {
  if (closed_) return S_OK;
  closed_ = true;
  record("close", name());
  web_view_->close();
  if (IsWindow(browser_)) DestroyWindow(browser_);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_controller::get_CoreWebView2(ICoreWebView2** web_view) {
  if (!web_view) return E_POINTER;
  *web_view = nullptr;
  HRESULT result = injected_failure() == "core_webview" ? E_FAIL : S_OK;
  record("core_webview", hresult_text(result));
  if (FAILED(result)) return result;
  web_view_->AddRef();
  *web_view = web_view_;
  return S_OK;
}
