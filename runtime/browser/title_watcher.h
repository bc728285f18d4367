#pragma once
// Hears the top-level document's title changes for its webview. A COM object
// of its own: the event's handler has the same Invoke as the close request's,
// which the creation handler answers already.
#include <string_view>

#include "runtime/browser/webview2.h"

namespace webview {

class webview;

class title_watcher final : public ICoreWebView2DocumentTitleChangedEventHandler {
 public:
  explicit title_watcher(webview* owner) : owner_(owner) {}
  void detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, IUnknown* args) override;

 private:
  LONG references_ = 1;
  webview* owner_;
};

// Whether title is what the browser shows for a document without one: its
// address as the address bar writes it (http:// left out, a bare host
// without its slash), or a file's name.
bool stand_in_title(std::wstring_view title, std::wstring_view address);

}  // namespace webview
