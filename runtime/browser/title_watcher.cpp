#include "runtime/browser/title_watcher.h"

#include "runtime/browser/webview.h"

namespace webview {

HRESULT STDMETHODCALLTYPE title_watcher::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ICoreWebView2DocumentTitleChangedEventHandler))
    return E_NOINTERFACE;
  *object = static_cast<ICoreWebView2DocumentTitleChangedEventHandler*>(this);
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE title_watcher::AddRef() { return (ULONG)InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE title_watcher::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (!left) delete this;
  return (ULONG)left;
}

HRESULT STDMETHODCALLTYPE title_watcher::Invoke(ICoreWebView2*, IUnknown*) {
  if (owner_) owner_->title_changed();
  return S_OK;
}

bool stand_in_title(std::wstring_view title, std::wstring_view address) {
  if (title.empty() || title == address) return true;
  if (address.starts_with(L"file:")) {
    size_t slash = address.find_last_of(L"/\\");
    return slash != std::wstring_view::npos && title == address.substr(slash + 1);
  }
  constexpr std::wstring_view http = L"http://";
  if (address.starts_with(http)) address.remove_prefix(http.size());
  if (title == address) return true;
  // "example.test/" reads "example.test"; a path keeps its slash.
  size_t path = address.find(L'/', address.find(L"://") == std::wstring_view::npos ? 0 : address.find(L"://") + 3);
  return path == address.size() - 1 && title == address.substr(0, path);
}

}  // namespace webview
