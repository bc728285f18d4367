#pragma once
// The content type a file of the web app is served with under the app's
// URI scheme, from its name. The browser insists on the right type for
// scripts (module scripts most of all), styles, WebAssembly and pages, so
// those the web uses are known here whatever the system's MIME database
// says or lacks; other files go by that database.
#include <string>
#include <string_view>

std::string content_type_of(std::string_view file_name);
