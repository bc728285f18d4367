#include "payload/app_id.h"

#include <cstdint>

namespace {

bool alphanumeric(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
bool allowed(char c) { return alphanumeric(c) || c == '.' || c == '-' || c == '_'; }

}  // namespace

bool is_app_id(std::string_view text) {
  if (text.empty() || text.size() > longest_app_id || !alphanumeric(text[0])) return false;
  for (char c : text)
    if (!allowed(c)) return false;
  return true;
}

std::string app_id_from(std::string_view name) {
  std::string id;
  for (char c : name) {
    char lower = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
    if (allowed(lower)) id += lower;
    else if (!id.empty() && id.back() != '-') id += '-';
  }
  auto trim = [&] {
    size_t start = 0;
    while (start < id.size() && !alphanumeric(id[start])) start++;
    id.erase(0, start);
    while (!id.empty() && !alphanumeric(id.back())) id.pop_back();
  };
  trim();
  if (id.size() > longest_app_id) id.resize(longest_app_id), trim();
  if (!id.empty()) return id;
  uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ (uint8_t)c) * 16777619u;
  static const char digits[] = "0123456789abcdef";
  id = "app-";
  for (int shift = 28; shift >= 0; shift -= 4) id += digits[(hash >> shift) & 15];
  return id;
}
