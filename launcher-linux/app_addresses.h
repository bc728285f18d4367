#pragma once
// What belongs to the app the window shows, told by its addresses: with an
// unpacked archive, the folder's file:// addresses, or everything under
// wapp://HOST/ when the folder is served under the app's own scheme; for an
// app that is a site (no archive), the start address's origin. The window is
// kept on these (launcher-linux/page_boundary.h) and the rest goes where
// payload/app_boundary.h says; whatever the app alone may be given is given
// to these addresses only.
#include <string>
#include <string_view>

struct app_scope {
  std::string folder;         // the unpacked folder's path; empty for none
  std::string virtual_host;   // the host the folder is served under; empty for none
  std::string start_address;  // with neither: the address the app starts at
};

// Host names compare without regard to case, paths byte by byte; a path
// with "." or ".." parts, or one on another machine (file://server/...), is
// never the app's. A start address without a host (about:, data:) owns the
// addresses of its scheme, a file:// one the files of its folder.
bool is_app_address(const app_scope& app, std::string_view address);
// The app is a site, not an unpacked archive.
inline bool app_is_site(const app_scope& app) { return app.folder.empty() && app.virtual_host.empty(); }
