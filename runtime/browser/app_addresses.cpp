#include "runtime/browser/app_addresses.h"

#include <windows.h>

#include "runtime/core/utf16.h"

namespace {

int hex_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Separators as "\", escapes decoded (their bytes must be UTF-8), a drive
// letter first.
bool file_address_path(std::wstring_view address, std::wstring& path) {
  if (address_scheme(address) != "file") return false;
  std::wstring_view rest = address.substr(5);
  if (!rest.starts_with(L"//")) return false;
  rest.remove_prefix(2);
  if (rest.size() >= 10 && CompareStringOrdinal(rest.data(), 10, L"localhost/", 10, TRUE) == CSTR_EQUAL)
    rest.remove_prefix(9);
  if (rest.starts_with(L'/')) rest.remove_prefix(1);
  bool drive = rest.size() >= 2 && ((rest[0] >= L'A' && rest[0] <= L'Z') || (rest[0] >= L'a' && rest[0] <= L'z')) &&
               rest[1] == L':';
  if (!drive) return false;
  rest = rest.substr(0, rest.find_first_of(L"?#"));
  path.clear();
  std::string escaped;
  for (size_t i = 0; i < rest.size(); i++) {
    if (rest[i] == L'%' && i + 2 < rest.size() && hex_value(rest[i + 1]) >= 0 && hex_value(rest[i + 2]) >= 0) {
      escaped += (char)(hex_value(rest[i + 1]) * 16 + hex_value(rest[i + 2]));
      i += 2;
      continue;
    }
    if (!append_exact_wide(path, escaped)) return false;
    escaped.clear();
    path += rest[i];
  }
  if (!append_exact_wide(path, escaped)) return false;
  // A decoded "%2F" separates as "/" does.
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path.find(L'\0') == path.npos;
}

bool same_file_names(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), (int)a.size(), b.data(), (int)b.size(), TRUE) == CSTR_EQUAL;
}

constexpr file_system<wchar_t> windows_files = {"https", L'\\', L'/', file_address_path, same_file_names};

}  // namespace

bool is_app_address(const app_scope& app, std::wstring_view address) {
  return is_app_address(app, address, windows_files);
}
