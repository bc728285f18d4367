#pragma once
// The browser layer: one WebView2 browser embedded in an existing window.
// It knows nothing of gadgets or object numbers; the web view gadget asks it
// for exactly what is declared here. Everything runs on the window's thread,
// which must be a COM single-threaded apartment.
#include <windows.h>

#include "payload/zip_index.h"
#include <deque>

#include "launcher-common/permission_policy.h"
#include "launcher-common/renderer_recovery.h"
#include "launcher-common/window_openings.h"
#include "runtime/browser/app_addresses.h"
#include "runtime/browser/environment.h"
#include "runtime/browser/webview2.h"

namespace webview {

// How long construction waits for the browser, in milliseconds. A runtime
// that never answers must not hang the program; a cold start of a real
// runtime takes a few seconds at most. Test programs may lower it.
extern DWORD creation_timeout_ms;
constexpr DWORD default_creation_timeout_ms = 30000;

// Attempts at the controller before creation gives up, unless the failure
// says a retry cannot help.
constexpr int controller_attempts = 5;

// Added to every document, so that pages calling window.external.invoke reach
// the host as web messages.
inline constexpr wchar_t init_script[] = L"window.external={invoke:s=>window.chrome.webview.postMessage(s)}";

class archive_server;
class creation_handler;
class title_watcher;

// Hears the JSON messages (objects, arrays, numbers: not the texts that
// window.external.invoke posts) of the page the browser shows, with whether
// the page that posted it is one of the app's own.
using page_message_listener = void (*)(void* context, const wchar_t* json, bool from_app_page);
// Hears the title of the document the browser shows: the page's own, or ""
// while it has none.
using title_listener = void (*)(void* context, const wchar_t* title);

class webview {
 public:
  // Embeds a browser in host and returns when it is ready or has failed,
  // dispatching the thread's messages meanwhile. debug enables the
  // browser's developer tools. The browser is made on the prepared
  // environment when one is given (and holds it while it lives), else on an
  // environment of its own, asked for now.
  webview(bool debug, HWND host, environment* prepared = nullptr);
  ~webview();
  webview(const webview&) = delete;
  webview& operator=(const webview&) = delete;

  // The host window, or null when no WebView2 runtime was found.
  HWND window() const { return environment_ && environment_->runtime_found() ? host_ : nullptr; }
  // No WebView2 runtime is installed (other failures are no missing runtime).
  bool runtime_missing() const { return environment_ && !environment_->runtime_found(); }
  // Null until the browser is ready, and for good when its creation failed.
  ICoreWebView2Controller* browser_controller() const { return ready_ ? controller_ : nullptr; }
  // UTF-8 address; the empty address shows "about:blank".
  void navigate(const char* address);
  void set_html(const char* html);
  // Sets the browser's bounds to the host's client rectangle.
  void resize_to_host();
  // Answers every request under https://<host>/, the host in any letter
  // case, from the archive's index (archive_server.h), which must outlive
  // the browser, instead of the network. Once per browser. False when the
  // browser is not ready, serves already, or the runtime refuses.
  bool serve_archive(const char* host, const zip_index& index);
  // A dev run's: answers every request under https://<host>/ from the dev
  // server at dev_url, or, without one, from folder as it is on disk
  // (dev_server.h), reloading the page when a file in folder changes.
  // Once per browser, as serve_archive.
  bool serve_dev(const char* host, const std::string& dev_url, const std::wstring& folder);
  // Keeps the window on the app from now on: a new window never opens, and
  // neither it nor a top-level navigation to an address that is not the
  // app's own stays in the browser; those that launcher-common/app_boundary.h lets
  // leave go to the user's browser. Until then the page goes where it likes.
  // False when memory is short.
  bool keep_within_app(const app_scope& app);
  // Runs script at the start of every document from the next one on, and
  // hands the page's JSON messages to listener from then on. False when the
  // browser is not ready or refused the script in time. A null script
  // stops the listening (the script stays with the documents).
  bool serve_page_api(const wchar_t* script, page_message_listener listener, void* context);
  // A message to the page's window.chrome.webview listeners.
  bool post_to_page(const wchar_t* json);
  // The app's own page is about to open a window for the address.
  void announce_window(std::wstring_view address);
  // Answers the permission requests of pages from now on: the policy's for
  // the app's own (keep_within_app), with questions naming app_name (as the
  // launcher's own pages after a crash do); every other page's denied.
  // Until then the runtime asks in its own way.
  void answer_permissions(const permission_answers& answers, std::string app_name);
  // Tells listener the document's title from now on, each time it changes.
  // False when the browser is not ready or refuses.
  bool follow_title(title_listener listener, void* context);

 private:
  friend class creation_handler;
  friend class title_watcher;

  // The browser made, on the prepared environment or one of its own, and let
  // go again with everything the runtime holds of this object.
  void start_browser(environment* prepared);
  void stop_browser();
  void create_controller();
  void controller_created(HRESULT error, ICoreWebView2Controller* controller);
  void set_up_web_view();
  void script_added();
  // A message that is no text: for the page API's listener, with the
  // verdict on where it came from (webview_navigation.cpp).
  void page_message(ICoreWebView2WebMessageReceivedEventArgs* args);
  // The page called window.close(): its top-level window is asked to close
  // as its close box asks, and its owner decides.
  void close_requested();
  // The page asks for a window, or its top-level document for another
  // address (webview_navigation.cpp).
  void new_window_requested(ICoreWebView2NewWindowRequestedEventArgs* args);
  void navigation_starting(ICoreWebView2NavigationStartingEventArgs* args);
  void title_changed();
  // A process of the browser ended or stopped answering
  // (webview_recovery.cpp): the page comes back, within a bound.
  void process_failed(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
  // What is done after the event, from the host window's messages: the
  // browser made anew, or the user asked whether to wait or reload.
  static LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR self);
  void start_again();
  void ask_about_unresponsive_page();
  // webview_permissions.cpp: a request answered at once, or asked about
  // after the event, one question at a time.
  void permission_requested(ICoreWebView2PermissionRequestedEventArgs* args);
  void ask_about_permission();
  void settle_waiting_permissions();
  void creation_finished(bool ready) {
    ready_ = ready;
    creation_pending_ = false;
  }
  // Dispatches the thread's messages until done() holds; false when the
  // creation's time ran out or the program is quitting first.
  template <class Done>
  bool wait_until(Done done, DWORD start);

  HWND host_ = nullptr;
  bool debug_ = false;
  environment* environment_ = nullptr;
  creation_handler* handler_ = nullptr;
  bool creation_pending_ = false;
  bool ready_ = false;
  int controller_attempts_left_ = 0;
  ICoreWebView2Controller* controller_ = nullptr;
  ICoreWebView2* web_view_ = nullptr;
  // What answers the app's host: the archive's server or a dev run's.
  ICoreWebView2WebResourceRequestedEventHandler* server_ = nullptr;
  bool serve_requests(const char* host, ICoreWebView2WebResourceRequestedEventHandler* server);
  void watch_dev_folder();
  bool dev_message(UINT message, WPARAM w, LPARAM l);
  EventRegistrationToken server_token_{};
  EventRegistrationToken message_token_{};
  bool message_handler_added_ = false;
  EventRegistrationToken close_token_{};
  bool close_handler_added_ = false;
  EventRegistrationToken new_window_token_{};
  bool new_window_handler_added_ = false;
  EventRegistrationToken navigation_token_{};
  bool navigation_handler_added_ = false;
  EventRegistrationToken failure_token_{};
  bool failure_handler_added_ = false;
  // What the browser was asked to do, so that a browser made anew does the same.
  std::string address_;  // the last navigation's
  std::string served_host_;
  const zip_index* served_index_ = nullptr;
  std::string dev_url_;
  std::wstring dev_folder_;
  HANDLE dev_watch_ = nullptr;  // the folder's change notification
  std::wstring page_script_;
  renderer_recovery recovery_, restarts_;  // the renderer's ends, the browser process's
  EventRegistrationToken permission_token_{};
  bool permission_handler_added_ = false;
  bool answers_permissions_ = false;
  permission_answers permissions_;
  std::string app_name_;
  struct waiting_permission {
    ICoreWebView2PermissionRequestedEventArgs* args;
    ICoreWebView2Deferral* deferral;
    permission_kind kind;
  };
  std::deque<waiting_permission> waiting_permissions_;
  bool asking_ = false;
  app_scope app_;
  bool within_app_ = false;
  window_openings openings_;
  int scripts_added_ = 0;
  title_watcher* title_watcher_ = nullptr;
  EventRegistrationToken title_token_{};
  title_listener title_listener_ = nullptr;
  void* title_listener_context_ = nullptr;
  page_message_listener page_listener_ = nullptr;
  void* page_listener_context_ = nullptr;
};

}  // namespace webview
