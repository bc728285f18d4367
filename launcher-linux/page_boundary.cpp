#include "launcher-linux/page_boundary.h"

#include <deque>
#include <string>

#include "launcher-common/app_boundary.h"
#include "launcher-common/window_openings.h"
#include "payload/virtual_host.h"

namespace {

// What a navigation decision told of an address, kept until its load shows
// whether it is the window's.
struct navigation_note {
  std::string address;
  bool user_initiated;
};
constexpr size_t notes_kept = 16;

struct boundary {
  app_scope app;
  std::deque<navigation_note> notes;  // newest last
  // The window's load in progress leaves the app: it is not to be shown.
  bool load_leaves = false;
  window_openings openings;
  // The window's load in progress is the page's own data (blob: or data:):
  // it is saved as a download when the engine cannot show it, and not shown
  // in the app's place when it can.
  bool load_is_data = false;
};

bool is_page_data(const std::string& address) {
  std::string scheme = address_scheme(std::string_view(address));
  return scheme == "blob" || scheme == "data";
}

// Schemes whose addresses WebKit can show in a frame; a navigation to any
// other goes nowhere inside the app whichever frame asks for it.
bool frames_can_show(const std::string& scheme) {
  for (const char* shown : {"http", "https", "file", "data", "blob", "about", linux_served_scheme})
    if (scheme == shown) return true;
  return false;
}


// Judged, and opened outside when it may be; true when it stays in the window.
bool stays(const boundary& b, const char* address, bool new_window, bool redirect, bool user_initiated) {
  std::string_view text = address;
  page_navigation navigation{is_app_address(b.app, text), new_window, redirect, user_initiated, app_is_site(b.app)};
  page_navigation_verdict verdict = judge_page_navigation(navigation, text);
  if (verdict == page_navigation_verdict::open_in_user_browser) open_in_user_browser(address);
  return verdict == page_navigation_verdict::stay;
}

const char* request_address(WebKitNavigationAction* action) {
  const char* address = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  return address ? address : "";
}

bool noted_user_initiated(boundary& b, const std::string& address) {
  for (auto note = b.notes.rbegin(); note != b.notes.rend(); ++note)
    if (note->address == address) return note->user_initiated;
  return false;
}

gboolean decide_navigation(boundary& b, WebKitNavigationAction* action, WebKitPolicyDecision* decision) {
  std::string address = request_address(action);
  bool user_initiated = webkit_navigation_action_is_user_gesture(action);
  if (is_app_address(b.app, address)) return FALSE;
  if (frames_can_show(address_scheme(std::string_view(address)))) {
    b.notes.push_back({address, user_initiated});
    if (b.notes.size() > notes_kept) b.notes.pop_front();
    return FALSE;
  }
  webkit_policy_decision_ignore(decision);
  stays(b, address.c_str(), false, webkit_navigation_action_is_redirect(action), user_initiated);
  return TRUE;
}

// The window's own document: one that leaves is not shown; one the engine
// cannot show is a download, as in a browser (the engine would drop it). A
// response of the app's own scheme cannot become one: its address is
// downloaded anew, which the launcher's downloads take (downloads.h).
gboolean decide_response(WebKitWebView* view, boundary& b, WebKitResponsePolicyDecision* decision) {
  if (!webkit_response_policy_decision_is_main_frame_main_resource(decision)) return FALSE;
  bool shown = webkit_response_policy_decision_is_mime_type_supported(decision);
  if (b.load_leaves || (b.load_is_data && shown)) {
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    return TRUE;
  }
  if (shown) return FALSE;
  const char* address = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
  if (address && address_scheme(std::string_view(address)) == linux_served_scheme) {
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    webkit_web_view_download_uri(view, address);
  } else {
    webkit_policy_decision_download(WEBKIT_POLICY_DECISION(decision));
  }
  return TRUE;
}

// A new window: out only after a gesture or the app's own announcement
// (a site's pages announce nothing and open as they ask).
void new_window(boundary& b, WebKitNavigationAction* action) {
  const char* address = request_address(action);
  bool gesture = webkit_navigation_action_is_user_gesture(action);
  if (!app_is_site(b.app) && !b.openings.may_open(address, gesture, (uint64_t)(g_get_monotonic_time() / 1000))) return;
  stays(b, address, true, false, gesture);
}

gboolean decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                       gpointer data) {
  boundary& b = *(boundary*)data;
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
    return decide_response(view, b, WEBKIT_RESPONSE_POLICY_DECISION(decision));
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return decide_navigation(b, action, decision);
  webkit_policy_decision_ignore(decision);
  new_window(b, action);
  return TRUE;
}

// window.open and the like; no view is made, so none opens.
GtkWidget* create_window(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
  new_window(*(boundary*)data, action);
  return nullptr;
}

// The window's load was redirected: a redirect that leaves opens nothing.
void redirected(WebKitWebResource*, WebKitURIRequest* request, WebKitURIResponse* redirect_response, gpointer data) {
  boundary& b = *(boundary*)data;
  if (!redirect_response || b.load_leaves) return;
  const char* address = webkit_uri_request_get_uri(request);
  b.load_leaves = !stays(b, address ? address : "", false, true, false);
}

void load_started(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest* request, gpointer data) {
  if (resource != webkit_web_view_get_main_resource(view)) return;
  boundary& b = *(boundary*)data;
  const char* uri = webkit_uri_request_get_uri(request);
  std::string address = uri ? uri : "";
  // The page's own data leaves nothing: it is saved or dropped at its
  // response (unless it is the app itself: a site that starts at a data: address).
  b.load_is_data = is_page_data(address) && !is_app_address(b.app, address);
  b.load_leaves = !b.load_is_data && !stays(b, address.c_str(), false, false, noted_user_initiated(b, address));
  g_signal_connect(resource, "sent-request", G_CALLBACK(redirected), data);
}

// No error page takes the place of the app's when a load that leaves fails
// (it was refused, or the site could not be reached); the load is over.
gboolean load_failed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer data) {
  boundary& b = *(boundary*)data;
  bool left = b.load_leaves;
  b.load_leaves = false;
  return left ? TRUE : FALSE;
}

}  // namespace

void announce_page_window(WebKitWebView* view, const std::string& address) {
  if (auto* b = (boundary*)g_object_get_data(G_OBJECT(view), "wapp-page-boundary"))
    b->openings.announce(address, (uint64_t)(g_get_monotonic_time() / 1000));
}

bool open_in_user_browser(const char* address) {
  GError* error = nullptr;
  if (g_app_info_launch_default_for_uri(address, nullptr, &error)) return true;
  g_clear_error(&error);
  return false;
}

void keep_view_within_app(WebKitWebView* view, const app_scope& app) {
  auto* b = new boundary{app, {}, false, {}, false};
  g_object_set_data_full(G_OBJECT(view), "wapp-page-boundary", b, [](gpointer data) { delete (boundary*)data; });
  g_signal_connect(view, "decide-policy", G_CALLBACK(decide_policy), b);
  g_signal_connect(view, "create", G_CALLBACK(create_window), b);
  g_signal_connect(view, "resource-load-started", G_CALLBACK(load_started), b);
  g_signal_connect(view, "load-failed", G_CALLBACK(load_failed), b);
  // A page may open windows without a click: they go to the browser as the
  // Windows runtime's do, not to the engine's popup blocker.
  webkit_settings_set_javascript_can_open_windows_automatically(webkit_web_view_get_settings(view), TRUE);
}
