#include "launcher-linux/content_types.h"

#include <gio/gio.h>

namespace {

struct known_type {
  const char* extension;
  const char* type;
};

constexpr known_type known_types[] = {
    {"html", "text/html"},        {"htm", "text/html"},
    {"js", "text/javascript"},    {"mjs", "text/javascript"},
    {"css", "text/css"},          {"json", "application/json"},
    {"map", "application/json"},  {"wasm", "application/wasm"},
    {"svg", "image/svg+xml"},     {"png", "image/png"},
    {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},         {"webp", "image/webp"},
    {"avif", "image/avif"},       {"ico", "image/x-icon"},
    {"woff", "font/woff"},        {"woff2", "font/woff2"},
    {"ttf", "font/ttf"},          {"otf", "font/otf"},
    {"txt", "text/plain"},        {"xml", "application/xml"},
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

std::string content_type_of(std::string_view file_name) {
  size_t dot = file_name.rfind('.');
  std::string_view extension = dot == std::string_view::npos ? "" : file_name.substr(dot + 1);
  for (const known_type& known : known_types)
    if (same_letters(extension, known.extension)) return known.type;
  std::string name(file_name);
  gchar* guessed = g_content_type_guess(name.c_str(), nullptr, 0, nullptr);
  gchar* mime = guessed ? g_content_type_get_mime_type(guessed) : nullptr;
  std::string type = mime ? mime : "application/octet-stream";
  g_free(mime);
  g_free(guessed);
  return type;
}
