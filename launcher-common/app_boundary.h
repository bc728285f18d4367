#pragma once
// Where a page may take the app's window, and what may leave it: the rule
// both launchers follow when a page opens a window or navigates. Whether an
// address is the app's own is each launcher's to say (its addresses differ);
// the rest is here, portable and header-only, for UTF-16 and UTF-8 text alike.
//
// Leaving the app means the user's browser, and only for http, https and
// mailto addresses: every other scheme (file:, javascript:, data:, custom
// protocols, ms-settings: and the like) could start a program through the
// desktop's handlers, so it is refused without a word.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace app_boundary_detail {

// The code unit as a number: a UTF-8 byte as 0 to 255, whatever char's sign.
template <class Char>
unsigned long unit(Char c) {
  return (unsigned long)(std::make_unsigned_t<Char>)c;
}

template <class Char>
bool is_scheme_character(Char c, bool first) {
  unsigned long u = unit(c);
  bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
  return letter || (!first && ((u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.'));
}

// ASCII letters in lower case, every other unit as it is.
template <class Char>
std::basic_string<Char> lowered(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out)
    if (unit(c) >= 'A' && unit(c) <= 'Z') c = (Char)(c - 'A' + 'a');
  return out;
}

// The parts of an address that make its origin.
template <class Char>
struct origin_parts {
  std::string scheme;
  std::basic_string<Char> host, port;
};

inline long default_port(const std::string& scheme) {
  if (scheme == "http" || scheme == "ws") return 80;
  if (scheme == "https" || scheme == "wss") return 443;
  return -1;
}

// -2 for a port that is no number from 0 to 65535.
template <class Char>
long port_number(const std::string& scheme, const std::basic_string<Char>& port) {
  if (port.empty()) return default_port(scheme);
  long number = 0;
  for (Char c : port) {
    if (unit(c) < '0' || unit(c) > '9' || number > 65535) return -2;
    number = number * 10 + (long)(unit(c) - '0');
  }
  return number > 65535 ? -2 : number;
}

}  // namespace app_boundary_detail

// The address's scheme in lower case, "" when it does not start with one.
template <class Char>
std::string address_scheme(std::basic_string_view<Char> address) {
  using namespace app_boundary_detail;
  size_t colon = address.find(Char(':'));
  if (colon == 0 || colon == address.npos) return "";
  std::string scheme;
  for (size_t i = 0; i < colon; i++) {
    if (!is_scheme_character(address[i], i == 0)) return "";
    scheme += (char)unit(address[i]);
  }
  return lowered(std::string_view(scheme));
}

// Scheme, host and port of an address with an authority ("scheme://host"),
// the host and scheme in lower case and without user information; false for
// any other address. The host of "[::1]" keeps its brackets.
template <class Char>
bool address_origin(std::basic_string_view<Char> address, app_boundary_detail::origin_parts<Char>& origin) {
  using namespace app_boundary_detail;
  origin.scheme = address_scheme(address);
  if (origin.scheme.empty()) return false;
  std::basic_string_view<Char> rest = address.substr(origin.scheme.size() + 1);
  if (rest.size() < 2 || rest[0] != '/' || rest[1] != '/') return false;
  rest.remove_prefix(2);
  // Browsers end the authority at a backslash too.
  size_t end = 0;
  while (end < rest.size() && rest[end] != '/' && rest[end] != '\\' && rest[end] != '?' && rest[end] != '#') end++;
  std::basic_string_view<Char> authority = rest.substr(0, end);
  size_t at = authority.rfind(Char('@'));
  if (at != authority.npos) authority.remove_prefix(at + 1);
  size_t bracket = authority.rfind(Char(']')), colon = authority.rfind(Char(':'));
  bool has_port = colon != authority.npos && (bracket == authority.npos || colon > bracket);
  origin.host = lowered(authority.substr(0, has_port ? colon : authority.size()));
  origin.port = has_port ? std::basic_string<Char>(authority.substr(colon + 1)) : std::basic_string<Char>();
  return !origin.host.empty();
}

// Whether two addresses share a web origin: the same scheme, host (in any
// letter case) and port, a port left out being the scheme's default one.
// Addresses without a host have no origin to share.
template <class Char>
bool same_web_origin(std::basic_string_view<Char> address, std::basic_string_view<Char> other) {
  using namespace app_boundary_detail;
  origin_parts<Char> a, b;
  if (!address_origin(address, a) || !address_origin(other, b)) return false;
  long port = port_number(a.scheme, a.port);
  return a.scheme == b.scheme && a.host == b.host && port != -2 && port == port_number(b.scheme, b.port);
}

// Whether address belongs to a site (an app without an archive) that starts
// at start: the start address itself, whatever it is, and its origin; for a
// start address without a host, the addresses of its scheme, or for a
// file:// one those that in_start_folder(address) finds in the start file's
// folder.
template <class Char, class InStartFolder>
bool is_site_address(std::basic_string_view<Char> start, std::basic_string_view<Char> address,
                     InStartFolder in_start_folder) {
  if (address == start) return true;
  app_boundary_detail::origin_parts<Char> origin;
  if (address_origin(start, origin)) return same_web_origin(address, start);
  std::string scheme = address_scheme(start);
  if (scheme == "file") return in_start_folder(address);
  return !scheme.empty() && address_scheme(address) == scheme;
}

namespace app_boundary_detail {

inline void append_utf8(std::string& out, unsigned long c) {
  if (c < 0x80) {
    out += (char)c;
  } else if (c < 0x800) {
    out += (char)(0xC0 | c >> 6), out += (char)(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += (char)(0xE0 | c >> 12), out += (char)(0x80 | (c >> 6 & 0x3F)), out += (char)(0x80 | (c & 0x3F));
  } else {
    out += (char)(0xF0 | c >> 18), out += (char)(0x80 | (c >> 12 & 0x3F));
    out += (char)(0x80 | (c >> 6 & 0x3F)), out += (char)(0x80 | (c & 0x3F));
  }
}

// The address as UTF-8 bytes: UTF-16 units encoded, bytes as they are.
template <class Char>
std::string utf8_bytes(std::basic_string_view<Char> address) {
  if constexpr (sizeof(Char) == 1) {
    return std::string((const char*)address.data(), address.size());
  } else {
    std::string out;
    for (size_t i = 0; i < address.size(); i++) {
      unsigned long c = unit(address[i]);
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < address.size() && unit(address[i + 1]) >= 0xDC00 &&
          unit(address[i + 1]) < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (unit(address[++i]) - 0xDC00);
      append_utf8(out, c);
    }
    return out;
  }
}

inline int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent escapes decoded, once.
inline std::string unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 && hex_digit(text[i + 2]) >= 0) {
      out += (char)(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Controls of every kind, in UTF-8: C0 and DEL, C1 (U+0080 to U+009F), the
// bidirectional embeddings, overrides and isolates (U+202A to U+202E, U+2066
// to U+2069) that make an address read otherwise than it goes, and the line
// and paragraph separators.
inline bool holds_a_control(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size(); i++) {
    auto b = [&](size_t k) { return i + k < utf8.size() ? (unsigned char)utf8[i + k] : 0u; };
    if (b(0) < 0x20 || b(0) == 0x7F) return true;
    if (b(0) == 0xC2 && b(1) >= 0x80 && b(1) <= 0x9F) return true;
    if (b(0) == 0xE2 && b(1) == 0x80 && ((b(2) >= 0xAA && b(2) <= 0xAE) || b(2) == 0xA8 || b(2) == 0xA9)) return true;
    if (b(0) == 0xE2 && b(1) == 0x81 && b(2) >= 0xA6 && b(2) <= 0xA9) return true;
  }
  return false;
}

// A mail address may carry the fields a mail program fills in for the user
// to see: no attachments (a file of the user's sent unasked) and no header
// of another kind.
inline bool plain_mail_fields(std::string_view address) {
  size_t query = address.find('?');
  if (query == address.npos) return true;
  std::string_view rest = address.substr(query + 1);
  for (size_t start = 0; start <= rest.size();) {
    size_t end = std::min(rest.find('&', start), rest.size());
    std::string name = lowered<char>(unescaped(rest.substr(start, std::min(rest.find('=', start), end) - start)));
    if (!name.empty() && name != "to" && name != "cc" && name != "bcc" && name != "subject" && name != "body")
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace app_boundary_detail

// Whether the address may be handed to the user's browser (or mail
// program): an http or https address with a host, or a mailto address with
// no attachment and no header but the visible ones, and nothing in it that
// no address a browser hands on holds and that could end an argument on a
// command line (spaces, quotes) or make the address read otherwise than it
// goes (controls of every kind, written or escaped).
template <class Char>
bool may_open_in_user_browser(std::basic_string_view<Char> address) {
  using namespace app_boundary_detail;
  for (Char c : address) {
    unsigned long u = unit(c);
    if (u <= ' ' || u == 0x7F || u == '"' || u == '<' || u == '>' || u == '\\' || u == '`') return false;
  }
  std::string bytes = utf8_bytes(address);
  if (holds_a_control(bytes) || holds_a_control(unescaped(bytes))) return false;
  std::string scheme = address_scheme(address);
  if (scheme == "mailto") return plain_mail_fields(bytes);
  origin_parts<Char> origin;
  return (scheme == "http" || scheme == "https") && address_origin(address, origin);
}

enum class page_navigation_verdict {
  stay,                  // the window goes there, as the page asked
  open_in_user_browser,  // not in the window: the user's browser opens it
  refuse,                // nowhere
};

// What the launcher knows of a page's request to show an address.
struct page_navigation {
  bool own;                     // the address is the app's own (the launcher's rule)
  bool new_window;              // a new window (target="_blank", window.open), else the top-level page
  bool redirect;                // the server redirected a navigation here
  bool user_initiated;          // a click or key of the user's, not a script
  bool app_from_start_address;  // the app is a site (StartURL), not an unpacked archive
};

// The app's window shows only the app: its own pages, and for an app that
// is a site the pages it is sent to by redirects and scripts (sign-in pages
// redirect across origins). New windows and user-initiated navigations
// elsewhere go to the user's browser, or nowhere; so does a window for an
// unpacked app's own page, which no browser could show. A redirect opens
// nothing: the user asked for the address it came from.
template <class Char>
page_navigation_verdict judge_page_navigation(const page_navigation& navigation,
                                              std::basic_string_view<Char> address) {
  using verdict = page_navigation_verdict;
  const page_navigation& n = navigation;
  if (n.own && !n.new_window) return verdict::stay;
  if (n.own && !n.app_from_start_address) return verdict::refuse;
  std::string scheme = address_scheme(address);
  bool web = scheme == "http" || scheme == "https";
  if (!n.new_window && n.app_from_start_address && web && (n.redirect || !n.user_initiated)) return verdict::stay;
  if (!n.new_window && n.redirect) return verdict::refuse;
  return may_open_in_user_browser(address) ? verdict::open_in_user_browser : verdict::refuse;
}
