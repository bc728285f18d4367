#pragma once
// The window stays on the app: a new window never opens (target="_blank",
// window.open, a middle click), and neither it nor a navigation of the
// window's own page to an address that is not the app's stays in the
// window; those that launcher-common/app_boundary.h lets leave go to the user's
// browser (or mail program) through the desktop's handler for their scheme.
// Frames navigate as they like.
//
// WebKit asks for navigation decisions of frames and of the window's page
// alike, without telling them apart, so an address that frames may show is
// let go and its load judged once it shows itself as the window's: its
// request is the web view's main resource. A load that leaves is opened
// outside at once and never shown (its response is refused, an error page
// is not put in place of the app's). Addresses that no frame can show
// (mailto:, custom schemes) are judged at their decision.
#include <webkit2/webkit2.h>

#include "launcher-linux/app_addresses.h"

void keep_view_within_app(WebKitWebView* view, const app_scope& app);
// The app's own page is about to open a window for the address
// (launcher-common/window_openings.h).
void announce_page_window(WebKitWebView* view, const std::string& address);
// Through the desktop's handler for the address's scheme; false when it has none.
bool open_in_user_browser(const char* address);
