#pragma once
// A dev run's handler of the app's virtual host (launcher-common/dev_source.h):
// each request under https://HOST/ is taken with a deferral, sent to the dev
// server through WinHTTP on a thread of its own (method, headers and body),
// and answered on the browser's thread once the server's status and
// headers have come, its body streamed to the browser as the browser reads
// it; a server that fails or refuses gets the page a 502 with the reason.
// Without a dev server the app's folder answers, as it is on disk.
#include <windows.h>

#include <string>

#include "runtime/browser/webview2.h"

namespace webview {

// The message the host window gets when an answer is ready (webview.cpp
// hands it to dev_server::answered).
constexpr UINT dev_answer_message = WM_APP + 0x2C;
// A file of the dev folder changed (webview_dev.cpp).
constexpr UINT dev_change_message = WM_APP + 0x2D;

class dev_server final : public ICoreWebView2WebResourceRequestedEventHandler {
 public:
  // host in lower case; window: where the answers are posted.
  dev_server(std::string host, std::string dev_url, std::wstring folder, ICoreWebView2Environment* environment,
             HWND window);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) override;

  // On the browser's thread, with what dev_answer_message carried.
  static void answered(LPARAM exchange);

 private:
  ~dev_server();

  LONG references_ = 1;
  void answer_from_folder(const std::string& address, ICoreWebView2WebResourceRequestedEventArgs* args);

  std::string host_, dev_url_;
  std::wstring folder_;
  ICoreWebView2Environment* environment_;
  HWND window_;
};

}  // namespace webview
