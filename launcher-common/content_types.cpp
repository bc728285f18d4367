#include "launcher-common/content_types.h"

namespace {

struct known_type {
  const char* extension;
  const char* type;
};

constexpr known_type known_types[] = {
    {"html", "text/html"},        {"htm", "text/html"},
    {"xhtml", "application/xhtml+xml"},
    {"js", "text/javascript"},    {"mjs", "text/javascript"},
    {"cjs", "text/javascript"},   {"css", "text/css"},
    {"json", "application/json"}, {"map", "application/json"},
    {"webmanifest", "application/manifest+json"},
    {"wasm", "application/wasm"}, {"svg", "image/svg+xml"},
    {"png", "image/png"},         {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},       {"gif", "image/gif"},
    {"webp", "image/webp"},       {"avif", "image/avif"},
    {"ico", "image/x-icon"},      {"bmp", "image/bmp"},
    {"woff", "font/woff"},        {"woff2", "font/woff2"},
    {"ttf", "font/ttf"},          {"otf", "font/otf"},
    {"txt", "text/plain"},        {"md", "text/markdown"},
    {"csv", "text/csv"},          {"xml", "application/xml"},
    {"mp3", "audio/mpeg"},        {"ogg", "audio/ogg"},
    {"wav", "audio/wav"},         {"mp4", "video/mp4"},
    {"webm", "video/webm"},       {"pdf", "application/pdf"},
};

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    char c = a[i] >= 'A' && a[i] <= 'Z' ? (char)(a[i] - 'A' + 'a') : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

}  // namespace

const char* known_content_type(std::string_view file_name) {
  // The extension of the last part of the path: "a.b/c" has none.
  std::string_view last = file_name.substr(file_name.find_last_of("/\\") + 1);
  size_t dot = last.rfind('.');
  if (dot == std::string_view::npos) return nullptr;
  std::string_view extension = last.substr(dot + 1);
  for (const known_type& known : known_types)
    if (same_letters(extension, known.extension)) return known.type;
  return nullptr;
}
