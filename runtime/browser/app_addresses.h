#pragma once
// What belongs to the app the browser shows (launcher-common/app_addresses.h)
// in Windows' terms: the unpacked folder is a Windows path, the app's host is
// served over https, and file names compare as Windows compares them. The
// browser keeps its window on these (webview::keep_within_app).
//
// Addresses come as the browser writes them (file:///C:/T/webapp/a%20b.html)
// and as the launcher does (file://C:\T\webapp/index.html); one on another
// machine (file://server/share) is never the app's.
#include <string_view>

#include "launcher-common/app_addresses.h"

using app_scope = app_scope_of<wchar_t>;

bool is_app_address(const app_scope& app, std::wstring_view address);
