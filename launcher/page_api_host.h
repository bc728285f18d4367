#pragma once
// The page API (launcher-common/page_api.h) in the Windows launcher: the page's
// requests come as web messages in the browser's callbacks, where no modal
// dialog may run, so each is queued and answered from the window's thread
// afterwards, one at a time, the reply posted back to the page.
#include <windows.h>

#include <cstdint>
#include <string>

class update_calls;

struct page_host_settings {
  std::wstring folder;        // the unpacked folder, a Windows path; or
  std::wstring virtual_host;  // the host it is served under
  std::string app_name, app_version;  // UTF-8
  update_calls* updates;      // wapp.update's; none: its calls are refused
  bool close_to_tray;         // CloseToTray: the close box hides the window while the tray icon shows
};

struct page_api_host;

// Serves the API to the app's own pages in web view number of window, from
// its next document on; null when the browser would not take it or memory
// is short (the pages then go without window.wapp).
page_api_host* serve_page_api(int64_t web_view, HWND window, const page_host_settings& settings);
// Before the web view goes. Nothing for null.
void stop_page_api(page_api_host* host);
