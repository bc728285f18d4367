#include "runtime/browser/app_addresses.h"

#include <windows.h>

#include "payload/app_boundary.h"

namespace {

int hex_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Appends UTF-8 bytes decoded from escapes; false when they are no UTF-8.
bool append_utf8(std::wstring& path, const std::string& bytes) {
  if (bytes.empty()) return true;
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
  if (units <= 0) return false;
  size_t at = path.size();
  path.resize(at + units);
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), &path[at], units);
  return true;
}

// The Windows path a file:// address names, separators as "\", escapes
// decoded; false for an address of another scheme, machine or form.
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
    if (!append_utf8(path, escaped)) return false;
    escaped.clear();
    path += rest[i];
  }
  if (!append_utf8(path, escaped)) return false;
  // A decoded "%2F" separates as "/" does.
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path.find(L'\0') == path.npos;
}

bool has_dot_part(std::wstring_view path) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(L'\\', start);
    if (end == path.npos) end = path.size();
    std::wstring_view part = path.substr(start, end - start);
    if (part == L"." || part == L"..") return true;
    start = end + 1;
  }
  return false;
}

// path is folder or lies below it.
bool path_within(const std::wstring& path, std::wstring folder) {
  for (wchar_t& c : folder)
    if (c == L'/') c = L'\\';
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty() || path.size() < folder.size() || has_dot_part(path)) return false;
  if (path.size() > folder.size() && path[folder.size()] != L'\\') return false;
  return CompareStringOrdinal(path.data(), (int)folder.size(), folder.data(), (int)folder.size(), TRUE) == CSTR_EQUAL;
}

bool file_address_within(std::wstring_view address, const std::wstring& folder) {
  std::wstring path;
  return file_address_path(address, path) && path_within(path, folder);
}

}  // namespace

bool is_app_address(const app_scope& app, std::wstring_view address) {
  if (!app.virtual_host.empty()) {
    std::wstring origin = L"https://" + app.virtual_host;
    return same_web_origin(address, std::wstring_view(origin));
  }
  if (!app.folder.empty()) return file_address_within(address, app.folder);
  std::wstring_view start = app.start_address;
  return is_site_address(start, address, [start](std::wstring_view file) {
    std::wstring start_file;
    return file_address_path(start, start_file) &&
           file_address_within(file, start_file.substr(0, start_file.find_last_of(L'\\')));
  });
}
