#pragma once
// The script that gives the app's own pages window.wapp, one text for both
// launchers: each says which channel carries the requests, which addresses
// are the app's, and what the app is called. The script installs nothing in
// a frame or on a page elsewhere; the launcher still checks where each
// request comes from, which is the check that counts.
#include <string>
#include <vector>

enum class page_channel {
  webview2,  // window.chrome.webview.postMessage, replies as host messages
  webkit,    // window.webkit.messageHandlers.wapp, replies to each post
};

struct page_script_settings {
  page_channel channel;
  std::string key;  // what every request carries (page_api's key)
  // Addresses of the app's own pages start with one of these, compared after
  // percent escapes are undone; in any letter case when fold_case.
  std::vector<std::string> own_prefixes;
  bool fold_case = false;
  std::string app_name, app_version, platform;
};

std::string page_api_script(const page_script_settings& settings);
