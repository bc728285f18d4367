#pragma once
// The content type a file of the web app is served with, from its name, by
// both launchers when they serve the app under its own host. The browser
// insists on the right type for scripts (module scripts and workers most of
// all), styles, WebAssembly and pages, so the types the web uses are known
// here, whatever a system's own MIME database says or lacks. Portable, so
// that Windows and Linux serve the same file with the same type.
#include <string_view>

// What a file of an unknown kind is served as.
constexpr char unknown_content_type[] = "application/octet-stream";

// The type for the name's extension, in any letter case; nullptr for an
// extension the table does not know (the caller may ask its system, else
// take unknown_content_type).
const char* known_content_type(std::string_view file_name);
