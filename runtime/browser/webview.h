#pragma once
// The browser layer: one WebView2 browser embedded in an existing window.
// It knows nothing of gadgets or object numbers; the web view gadget asks it
// for exactly what is declared here. Everything runs on the window's thread,
// which must be a COM single-threaded apartment.
#include <windows.h>

#include "runtime/browser/runtime_discovery.h"
#include "runtime/browser/webview2.h"

namespace webview {

// How long construction waits for the browser, in milliseconds. A runtime
// that never answers must not hang the program; a cold start of a real
// runtime takes a few seconds at most. Test programs may lower it.
extern DWORD creation_timeout_ms;
constexpr DWORD default_creation_timeout_ms = 30000;

// Attempts before creation gives up: the environment is asked twice when we
// load the runtime ourselves (WebView2Loader.dll retries once on its own),
// the controller up to five times unless the failure says a retry cannot help.
constexpr int environment_attempts = 2;
constexpr int controller_attempts = 5;

// Added to every document, so that pages calling window.external.invoke reach
// the host as web messages.
inline constexpr wchar_t init_script[] = L"window.external={invoke:s=>window.chrome.webview.postMessage(s)}";

class creation_handler;

class webview {
 public:
  // Embeds a browser in host and returns when it is ready or has failed,
  // dispatching the thread's messages meanwhile. debug enables the
  // browser's developer tools.
  webview(bool debug, HWND host);
  ~webview();
  webview(const webview&) = delete;
  webview& operator=(const webview&) = delete;

  // The host window, or null when no WebView2 runtime was found.
  HWND window() const { return runtime_.module ? host_ : nullptr; }
  // Null until the browser is ready, and for good when its creation failed.
  ICoreWebView2Controller* browser_controller() const { return ready_ ? controller_ : nullptr; }
  // UTF-8 address; the empty address shows "about:blank".
  void navigate(const char* address);
  void set_html(const char* html);
  // Sets the browser's bounds to the host's client rectangle.
  void resize_to_host();
  // Serves folder (a Windows path) as https://<host>/ with resource access
  // allowed. False when the browser is not ready, its runtime is too old to
  // offer ICoreWebView2_3, or the runtime refuses the mapping.
  bool map_virtual_host(const char* host, const wchar_t* folder);

 private:
  friend class creation_handler;
  void create_environment();
  void environment_created(HRESULT error, ICoreWebView2Environment* environment);
  void create_controller();
  void controller_created(HRESULT error, ICoreWebView2Controller* controller);
  void set_up_web_view();
  void script_added();
  // The page called window.close(): its top-level window is asked to close
  // as its close box asks, and its owner decides.
  void close_requested();
  void creation_finished(bool ready) {
    ready_ = ready;
    creation_pending_ = false;
  }
  bool wait_for_creation();

  HWND host_ = nullptr;
  bool debug_ = false;
  webview2_runtime runtime_{};
  creation_handler* handler_ = nullptr;
  bool creation_pending_ = false;
  bool ready_ = false;
  // The wait gave up while the runtime may still call back into the module.
  bool creation_abandoned_ = false;
  int environment_attempts_left_ = 0;
  int controller_attempts_left_ = 0;
  ICoreWebView2Environment* environment_ = nullptr;
  ICoreWebView2Controller* controller_ = nullptr;
  ICoreWebView2* web_view_ = nullptr;
  // Asked for at the first mapping; null while not asked or not offered.
  ICoreWebView2_3* web_view_3_ = nullptr;
  EventRegistrationToken message_token_{};
  bool message_handler_added_ = false;
  EventRegistrationToken close_token_{};
  bool close_handler_added_ = false;
};

}  // namespace webview
