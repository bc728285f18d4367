#pragma once
// The page's permission requests answered by the app's policy
// (launcher-common/permission_policy.h): for a page of the app (app) the
// policy's choice, asked of the user in a dialog over the window when it is
// ask; every other page's request denied. WebKit tells no request's frame:
// a frame of another origin reaches this only when the app's page
// delegates the kind to it (iframe allow=), and then counts as the app's.
// Media streams are on only when the camera or the microphone may be asked
// for; notifications the policy allows are granted to the app's origin from
// the start.
#include <string>

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include "launcher-linux/app_addresses.h"

void answer_permissions(WebKitWebView* view, GtkWindow* window, const app_scope& app, const std::string& policy,
                        const std::string& app_name, const std::string& address);
