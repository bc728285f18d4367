#pragma once
// The browser of the app's window, WebKitGTK's web view, set up as the
// Windows launcher sets up WebView2: the page's data (local storage,
// IndexedDB, cookies) kept in a folder named after the app (its id, else the
// program), here under $XDG_DATA_HOME where Windows has the roaming
// application data, its cache under $XDG_CACHE_HOME; developer tools only
// when asked; and on every page the same window.external.invoke, whose messages reach the launcher, where no name
// is bound to them, so they are received and go no further.
#include <string>

#include <webkit2/webkit2.h>

// The program's file name, which names the folders of the page's data.
std::string program_file_name();

// The app's own data folder, $XDG_DATA_HOME/<name>: the page's data, and the
// launcher's own files beside it. The name is the app's id, else the
// program's file name.
std::string app_data_folder(const std::string& name);

// A browser context whose data and cache folders have that name.
WebKitWebContext* create_web_context(const std::string& name);

// A web view in the context, with the launcher's settings and script;
// dev_tools turns on the engine's developer extras (Inspect Element).
WebKitWebView* create_web_view(WebKitWebContext* context, bool dev_tools);
