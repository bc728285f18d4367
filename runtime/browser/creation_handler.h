#pragma once
// The COM object through which the runtime reports to the browser layer:
// for an environment, its creation; for a webview, the creation of its
// controller, the init script, web messages from the page, the page's
// request to close the window, its new windows, its navigations and the
// failures of the browser's processes, and its permission requests. It outlives its owner when the runtime still
// holds it; a detached handler ignores what arrives, and closes a controller
// that comes too late so that no browser is left behind.
#include "runtime/browser/environment.h"
#include "runtime/browser/webview.h"
#include "runtime/browser/webview2.h"

namespace webview {

class creation_handler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                               public ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                               public ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler,
                               public ICoreWebView2WebMessageReceivedEventHandler,
                               public ICoreWebView2WindowCloseRequestedEventHandler,
                               public ICoreWebView2NewWindowRequestedEventHandler,
                               public ICoreWebView2NavigationStartingEventHandler,
                               public ICoreWebView2ProcessFailedEventHandler,
                               public ICoreWebView2PermissionRequestedEventHandler {
 public:
  explicit creation_handler(environment* owner) : environment_(owner) {}
  explicit creation_handler(webview* owner) : owner_(owner) {}
  void detach() {
    environment_ = nullptr;
    owner_ = nullptr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, ICoreWebView2Environment* environment) override;
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, ICoreWebView2Controller* controller) override;
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args) override;

 private:
  LONG references_ = 1;
  environment* environment_ = nullptr;
  webview* owner_ = nullptr;
};

}  // namespace webview
