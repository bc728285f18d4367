#pragma once
// The web app served under a URI scheme of the launcher's own, for the
// VirtualHost setting: the page opens wapp://HOST/index.html, where Windows
// opens https://HOST/index.html, and has a real origin (wapp://HOST), which
// module scripts and fetch need and a file:// page lacks. The scheme is
// registered as secure (the page is a secure context), local and
// CORS-enabled, and every answer names the app's origin as the one allowed
// to read it: WebKit checks module scripts and fetch of a custom scheme as
// it checks requests to another site.
#include <string>

#include <webkit2/webkit2.h>

// Answers the scheme's requests for the host with the files of the folder
// open at `folder`, which must stay open while the context lives: a path's
// levels are opened one by one without following a link, and a name the
// launcher would not have unpacked is not served, nor anything but a
// regular file (a FIFO is never waited on). Everything else is 404.
void serve_app_folder(WebKitWebContext* context, const std::string& host, int folder);
