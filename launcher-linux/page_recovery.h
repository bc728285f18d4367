#pragma once
// The page comes back when its web process dies (a crash, the system ending
// it for memory): reloaded within the bound of launcher-common/renderer_recovery.h,
// else the launcher's own page, whose button loads address again. A web
// process that stops answering for ten seconds gets the user the choice to
// wait for it or reload.
#include <string>

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

void recover_page(WebKitWebView* view, GtkWindow* window, const std::string& app_name, const std::string& address);
