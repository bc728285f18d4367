#pragma once
// A page's notifications (new Notification(...), once the permission policy
// lets them) reach the desktop's notification service on the session bus,
// org.freedesktop.Notifications, under the app's name and with its icon: no
// desktop file is needed. A click on one brings the window to the front and
// reaches the page's onclick; the page's close() takes it away again.
#include <string>

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

void show_notifications_on_desktop(WebKitWebView* view, GtkWindow* window, const std::string& app_name,
                                   const std::string& icon_png);
