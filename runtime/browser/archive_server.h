#pragma once
// The handler through which a browser answers its app's virtual host from
// the archive: every request under https://HOST/ that its filter takes comes
// here, and gets the entry the address names (launcher-common/served_names.h,
// payload/zip_index.h) with its content type and length, or a real 404: a
// missing name, one the unpacking would skip, a damaged entry. Nothing else
// exists for the host: no folder, no path outside the archive.
#include <string>

#include "payload/zip_index.h"
#include "runtime/browser/webview2.h"

namespace webview {

class archive_server final : public ICoreWebView2WebResourceRequestedEventHandler {
 public:
  // host in lower case; the index must outlive the server, which holds the
  // environment that makes its responses.
  archive_server(std::string host, const zip_index& index, ICoreWebView2Environment* environment);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) override;

 private:
  ~archive_server();
  void answer(ICoreWebView2WebResourceRequestedEventArgs* args);

  LONG references_ = 1;
  std::string host_;
  const zip_index& index_;
  ICoreWebView2Environment* environment_;
};

}  // namespace webview
