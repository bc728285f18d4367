#pragma once
// What belongs to the app the window shows (launcher-common/app_addresses.h)
// in Linux terms: the unpacked folder is a path whose names keep their case,
// and the app's host is served under the launcher's own scheme. The window
// is kept on these (launcher-linux/page_boundary.h).
#include <string_view>

#include "launcher-common/app_addresses.h"

using app_scope = app_scope_of<char>;

bool is_app_address(const app_scope& app, std::string_view address);
