#pragma once
// Which file of the app an address under its virtual host asks for, read the
// same way by both launchers: the scheme and the host compared without
// regard to case (browsers write host names in lower case), the path's
// escapes decoded, the query and fragment left out. "wapp://App.Wapp/js/a%20b.js?v=2"
// under wapp and app.wapp asks for "js/a b.js".
#include <string>
#include <string_view>

// False for an address of another scheme or host, or one that names a user
// or a port: nothing there is the app's.
bool served_entry_name(std::string_view address, std::string_view scheme, std::string_view host, std::string& name);
