#include "runtime/browser/creation_handler.h"

namespace webview {

HRESULT STDMETHODCALLTYPE creation_handler::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)) {
    *object = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)) {
    *object = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler)) {
    *object = static_cast<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2WebMessageReceivedEventHandler)) {
    *object = static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2WindowCloseRequestedEventHandler)) {
    *object = static_cast<ICoreWebView2WindowCloseRequestedEventHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2NewWindowRequestedEventHandler)) {
    *object = static_cast<ICoreWebView2NewWindowRequestedEventHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2NavigationStartingEventHandler)) {
    *object = static_cast<ICoreWebView2NavigationStartingEventHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2ProcessFailedEventHandler)) {
    *object = static_cast<ICoreWebView2ProcessFailedEventHandler*>(this);
  } else if (IsEqualIID(iid, IID_ICoreWebView2PermissionRequestedEventHandler)) {
    *object = static_cast<ICoreWebView2PermissionRequestedEventHandler*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE creation_handler::AddRef() { return (ULONG)InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE creation_handler::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (!left) delete this;
  return (ULONG)left;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(HRESULT error, ICoreWebView2Environment* environment) {
  if (environment_) environment_->created(error, environment);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(HRESULT error, ICoreWebView2Controller* controller) {
  if (owner_) {
    owner_->controller_created(error, controller);
  } else if (controller) {
    controller->Close();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(HRESULT, LPCWSTR) {
  if (owner_) owner_->script_added();
  return S_OK;
}

// Pages post {"id", "method", "params"} texts to call a bound name. No name is
// ever bound, so a text is read and dropped: it changes nothing. Messages
// that are no text are the page API's.
HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
  if (!args) return S_OK;
  LPWSTR text = nullptr;
  if (SUCCEEDED(args->TryGetWebMessageAsString(&text))) {
    CoTaskMemFree(text);
    return S_OK;
  }
  if (owner_) owner_->page_message(args);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, IUnknown*) {
  if (owner_) owner_->close_requested();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
  if (owner_ && args) owner_->new_window_requested(args);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
  if (owner_ && args) owner_->navigation_starting(args);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, ICoreWebView2ProcessFailedEventArgs* args) {
  COREWEBVIEW2_PROCESS_FAILED_KIND kind;
  if (owner_ && args && SUCCEEDED(args->get_ProcessFailedKind(&kind))) owner_->process_failed(kind);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE creation_handler::Invoke(ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
  if (owner_ && args) owner_->permission_requested(args);
  return S_OK;
}

}  // namespace webview
