#pragma once
// The page API (launcher-common/page_api.h) in the Linux launcher: window.wapp for
// the app's own top-level pages, their requests posted to a script message
// handler and each answered through its reply, one at a time, from the main
// loop (a chooser runs a loop of its own, which must not be the handler's).
#include <webkit2/webkit2.h>

#include "launcher-linux/app_addresses.h"
#include "launcher-linux/settings.h"
#include "updates/app_update.h"

// From the view's next page on, for the run; nothing for an app that is a
// site. Before the first page is loaded.
// wapp.update's calls go to updates.
void serve_page_api(WebKitWebView* view, GtkWindow* window, const app_scope& app, const launcher_settings& settings,
                    update_calls& updates);
