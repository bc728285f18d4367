// The page's ways out: new windows it asks for and the navigations of its
// document, each raised to the handler registered for it with arguments
// that record what the handler decides.
#include "fake_objects.h"
#include "fake_webview2.h"

namespace {

class fake_new_window_args final : public fake_com<ICoreWebView2NewWindowRequestedEventArgs> {
 public:
  fake_new_window_args(const std::wstring& uri, bool user_initiated)
      : fake_com("new_window_args", IID_ICoreWebView2NewWindowRequestedEventArgs), uri_(uri),
        user_initiated_(user_initiated) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return task_memory_copy(uri_.c_str(), uri); }
  HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** web_view) override {
    if (!web_view) return E_POINTER;
    *web_view = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override {
    record("new_window_handled", handled ? "1" : "0");
    handled_ = handled;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override { return answer(handled, handled_); }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user_initiated) override {
    return answer(user_initiated, user_initiated_);
  }
  bool handled() const { return handled_; }

 private:
  std::wstring uri_;
  BOOL user_initiated_;
  BOOL handled_ = FALSE;
};

class fake_navigation_args final : public fake_com<ICoreWebView2NavigationStartingEventArgs> {
 public:
  fake_navigation_args(const std::wstring& uri, bool user_initiated, bool redirect)
      : fake_com("navigation_args", IID_ICoreWebView2NavigationStartingEventArgs),
        uri_(uri),
        user_initiated_(user_initiated),
        redirect_(redirect) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return task_memory_copy(uri_.c_str(), uri); }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user_initiated) override {
    return answer(user_initiated, user_initiated_);
  }
  HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* redirected) override { return answer(redirected, redirect_); }
  HRESULT STDMETHODCALLTYPE get_RequestHeaders(void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override { return answer(cancel, cancel_); }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override {
    record("navigation_cancel", cancel ? "1" : "0");
    cancel_ = cancel;
    return S_OK;
  }
  bool cancelled() const { return cancel_; }

 private:
  std::wstring uri_;
  BOOL user_initiated_, redirect_, cancel_ = FALSE;
};

}  // namespace

// Unhandled, the runtime would open a popup window of its own, outside the
// host's control: the log says so.
// "user URI" is a window the user's click asks for; else a script's.
void fake_web_view::request_new_window(const std::wstring& asked) {
  bool user = asked.starts_with(L"user ");
  std::wstring uri = user ? asked.substr(5) : asked;
  auto* args = new fake_new_window_args(uri, user);
  if (new_window_handler_) raise_event(new_window_handler_, this, args);
  if (!args->handled()) record("popup_window", utf8(uri.c_str()));
  args->Release();
}

void fake_web_view::request_navigation(const std::wstring& uri, bool redirect) {
  if (closed_) return;
  // A link the user follows; a redirect is the server's doing.
  if (navigation_may_start(uri, !redirect, redirect)) go_to(uri.c_str());
}

bool fake_web_view::navigation_may_start(const std::wstring& uri, bool user_initiated, bool redirect) {
  if (!navigation_handler_) return true;
  auto* args = new fake_navigation_args(uri, user_initiated, redirect);
  raise_event(navigation_handler_, this, args);
  bool cancelled = args->cancelled();
  args->Release();
  return !cancelled;
}
