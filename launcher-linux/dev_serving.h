#pragma once
// A dev run on Linux (launcher-common/dev_source.h): the app's scheme
// answered from the dev server through libsoup, WebKitGTK's own HTTP
// client (method, headers and body passed on, the answer streamed back as it
// comes), or from the app's folder on disk, whose changes reload the page
// once they have settled for 100 ms.
#include <string>

#include <webkit2/webkit2.h>

#include "payload/settings_reader.h"

void serve_dev_source(WebKitWebContext* context, WebKitWebView* view, const std::string& host,
                      const app_settings& app);
