#pragma once
// What belongs to the app the browser shows, told by its addresses: with an
// unpacked archive, the folder's file:// addresses, or everything under
// https://HOST/ when the folder is served under a virtual host; for an app
// that is a site (no archive), the start address's origin. The browser keeps
// its window on these (webview::keep_within_app) and sends the rest where
// payload/app_boundary.h says; whatever the app alone may be given is given
// to these addresses only.
#include <string>
#include <string_view>

struct app_scope {
  std::wstring folder;         // the unpacked folder, a Windows path; empty for none
  std::wstring virtual_host;   // the host the folder is served under; empty for none
  std::wstring start_address;  // with neither: the address the app starts at
};

// Addresses as the browser writes them (file:///C:/T/webapp/a%20b.html) and
// as the launcher does (file://C:\T\webapp/index.html). Host names compare
// without regard to case, paths as Windows compares file names; a path with
// "." or ".." parts, or one on another machine (file://server/share), is
// never the app's. A start address without a host (about:, data:) owns the
// addresses of its scheme, a file:// one the files of its folder.
bool is_app_address(const app_scope& app, std::wstring_view address);
// The app is a site, not an unpacked archive.
inline bool app_is_site(const app_scope& app) { return app.folder.empty() && app.virtual_host.empty(); }
