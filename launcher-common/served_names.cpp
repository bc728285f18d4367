#include "launcher-common/served_names.h"

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

bool served_entry_name(std::string_view address, std::string_view scheme, std::string_view host, std::string& name) {
  name.clear();
  size_t scheme_end = address.find("://");
  if (scheme_end == std::string_view::npos || !same_letters(address.substr(0, scheme_end), scheme)) return false;
  std::string_view rest = address.substr(scheme_end + 3);
  rest = rest.substr(0, rest.find_first_of("?#"));
  size_t path_start = rest.find('/');
  std::string_view authority = rest.substr(0, path_start);
  if (!same_letters(authority, host)) return false;
  std::string_view path = path_start == std::string_view::npos ? "" : rest.substr(path_start + 1);
  name.reserve(path.size());
  for (size_t i = 0; i < path.size(); i++) {
    int high = path[i] == '%' && i + 2 < path.size() ? hex_value(path[i + 1]) : -1;
    int low = high >= 0 ? hex_value(path[i + 2]) : -1;
    if (low < 0) {
      name += path[i];
      continue;
    }
    name += (char)(high << 4 | low);
    i += 2;
  }
  return true;
}
