#pragma once
// The web app served under a URI scheme of the launcher's own, for the
// VirtualHost setting: the page opens wapp://host/index.html, where Windows
// opens https://HOST/index.html, and has a real origin (wapp://host, the
// host in lower case as the browser writes it), which module scripts,
// fetch, workers and WebAssembly need and a file:// page lacks. The scheme
// is registered as a web server's would be: secure (the page is a secure
// context) and CORS-enabled, never local, so that the page reaches its own
// files and nothing else.
#include <string>

#include <webkit2/webkit2.h>

// Answers the scheme's requests for the host, in any letter case, with the
// files of the folder open at `folder`, which must stay open while the
// context lives: a path's levels are opened one by one without following a
// link, and a name the launcher would not have unpacked is not served, nor
// anything but a regular file (a FIFO is never waited on). Everything else
// is 404.
void serve_app_folder(WebKitWebContext* context, const std::string& host, int folder);
