#pragma once
// The VirtualHost setting: a host name under which the browser serves the
// unpacked web app over https, so that module scripts, fetch, workers and
// WebAssembly, which a file:// page may not use, work. One rule for the
// launcher, which falls back to the file:// address for any other text, and
// the packer, which refuses it; header-only, for UTF-16 and UTF-8 text alike.
#include <cstddef>
#include <string>
#include <string_view>

// The host the packer gives every app unless told otherwise. It never
// changes: it is part of the app's origin, under which the browser keeps the
// app's data (local storage, IndexedDB), so one version of an app finds what
// the one before it stored.
constexpr char default_virtual_host[] = "app.wapp";
// The scheme the app is served under: https on Windows, where WebView2 maps
// the host to the folder, and the Linux launcher's own URI scheme on Linux.
constexpr char windows_served_scheme[] = "https";
constexpr char linux_served_scheme[] = "wapp";

// The address a launcher opens for the app served under host: "https://app.wapp/index.html".
inline std::string served_address(std::string_view scheme, std::string_view host) {
  return std::string(scheme) + "://" + std::string(host) + "/index.html";
}

// Host names mean the same in any letter case, and the browser writes an
// origin's host in lower case ("wapp://mixed.case" for Mixed.Case), so what
// is compared with the origin's host, or names it, is lowered first. ASCII
// only: a host name holds nothing else.
inline std::string lower_case_host(std::string_view host) {
  std::string lowered(host);
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return lowered;
}
constexpr size_t virtual_host_longest = 253;
constexpr size_t virtual_host_longest_label = 63;

namespace virtual_host_detail {

template <class Char>
bool is_letter_or_digit(Char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

template <class Char>
bool is_hex_digit(Char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A label that the browser's address parser reads as a number ("123",
// "0x7f"): in the last place it turns the whole name into an IPv4 address.
template <class Char>
bool is_number_label(const Char* label, size_t length) {
  size_t i = 0;
  bool hex = length >= 2 && label[0] == '0' && (label[1] == 'x' || label[1] == 'X');
  if (hex) i = 2;
  for (; i < length; i++) {
    if (hex ? !is_hex_digit(label[i]) : !(label[i] >= '0' && label[i] <= '9')) return false;
  }
  return true;
}

}  // namespace virtual_host_detail

// Labels of ASCII letters, digits and hyphens separated by dots; each label
// 1 to 63 characters long and neither starting nor ending with a hyphen; 253
// characters at most in all. So no scheme, port, path, user information,
// space or other character, and no empty label (no leading, trailing or
// doubled dot). Nor may the last label be a number: the address would then
// name an IPv4 address instead of the mapped host.
template <class Char>
bool is_virtual_host_name(const Char* text, size_t length) {
  using namespace virtual_host_detail;
  if (!text || length == 0 || length > virtual_host_longest) return false;
  size_t start = 0;
  for (size_t i = 0; i <= length; i++) {
    if (i < length && text[i] != '.') {
      if (!is_letter_or_digit(text[i]) && text[i] != '-') return false;
      continue;
    }
    size_t label = i - start;
    if (label == 0 || label > virtual_host_longest_label) return false;
    if (text[start] == '-' || text[i - 1] == '-') return false;
    if (i == length && is_number_label(text + start, label)) return false;
    start = i + 1;
  }
  return true;
}
