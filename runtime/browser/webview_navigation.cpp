// The page's ways out of the app: new windows and top-level navigations,
// kept to the app's own addresses once the owner has said what they are.
// Frames navigate as they like: the runtime raises other events for them.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string_view>

#include "launcher-common/app_boundary.h"
#include "runtime/core/utf16.h"
#include "runtime/browser/webview.h"

namespace webview {

namespace {

// The address as the user's browser is to get it: one argument, given to the
// shell's handler for its scheme, never through a command line of ours.
void open_in_user_browser(HWND host, const wchar_t* address) {
  ShellExecuteW(GetAncestor(host, GA_ROOT), L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

// What a property of the arguments says; false when it cannot be read.
template <class Args>
bool is_set(Args* args, HRESULT (STDMETHODCALLTYPE Args::*property)(BOOL*)) {
  BOOL value = FALSE;
  return SUCCEEDED((args->*property)(&value)) && value;
}

}  // namespace

bool webview::keep_within_app(const app_scope& app) {
  try {
    app_ = app;
    // The empty address shows about:blank (navigate), which the site then is.
    if (app_is_site(app_) && app_.start_address.empty()) app_.start_address = L"about:blank";
  } catch (...) {
    return false;
  }
  within_app_ = true;
  return true;
}

// No window ever opens: the runtime's own would stand outside the app, with
// no title, no icon, and no end when the app ends.
void webview::new_window_requested(ICoreWebView2NewWindowRequestedEventArgs* args) {
  if (!within_app_) return;
  args->put_Handled(TRUE);
  LPWSTR uri = nullptr;
  if (FAILED(args->get_Uri(&uri)) || !uri) return;
  try {
    std::wstring_view address = uri;
    BOOL user_initiated = FALSE;
    args->get_IsUserInitiated(&user_initiated);
    page_navigation request{is_app_address(app_, address), true, false, true, app_is_site(app_)};
    // A site's pages announce nothing: they open as they ask.
    if (judge_page_navigation(request, address) == page_navigation_verdict::open_in_user_browser &&
        (app_is_site(app_) || openings_.may_open(utf8_of(address), user_initiated, GetTickCount64())))
      open_in_user_browser(host_, uri);
  } catch (...) {
    // Out of memory: the window stays closed, and nothing opens.
  }
  CoTaskMemFree(uri);
}

void webview::announce_window(std::wstring_view address) {
  try {
    openings_.announce(utf8_of(address), GetTickCount64());
  } catch (...) {
  }
}

// What cannot be read, or judged, goes nowhere.
void webview::navigation_starting(ICoreWebView2NavigationStartingEventArgs* args) {
  if (!within_app_) return;
  LPWSTR uri = nullptr;
  if (FAILED(args->get_Uri(&uri)) || !uri) {
    args->put_Cancel(TRUE);
    return;
  }
  auto verdict = page_navigation_verdict::refuse;
  try {
    std::wstring_view address = uri;
    using navigation_args = ICoreWebView2NavigationStartingEventArgs;
    page_navigation request{is_app_address(app_, address), false, is_set(args, &navigation_args::get_IsRedirected),
                            is_set(args, &navigation_args::get_IsUserInitiated), app_is_site(app_)};
    verdict = judge_page_navigation(request, address);
  } catch (...) {
  }
  if (verdict != page_navigation_verdict::stay) args->put_Cancel(TRUE);
  if (verdict == page_navigation_verdict::open_in_user_browser) open_in_user_browser(host_, uri);
  CoTaskMemFree(uri);
}

// The source is the address of the document that posted: only the app's
// own pages, from an unpacked archive, are let near the page API, never a
// site's, and what cannot be read is no page of the app's.
void webview::page_message(ICoreWebView2WebMessageReceivedEventArgs* args) {
  if (!page_listener_) return;
  LPWSTR source = nullptr, json = nullptr;
  bool own = false;
  if (SUCCEEDED(args->get_Source(&source)) && source) {
    try {
      own = within_app_ && !app_is_site(app_) && is_app_address(app_, source);
    } catch (...) {
    }
  }
  if (SUCCEEDED(args->get_WebMessageAsJson(&json)) && json) page_listener_(page_listener_context_, json, own);
  CoTaskMemFree(source);
  CoTaskMemFree(json);
}

}  // namespace webview
