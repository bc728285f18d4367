#pragma once
// What belongs to the app a launcher shows, told by its addresses: with an
// unpacked archive, the folder's file:// addresses; with a folder served
// under the app's host, everything under SCHEME://HOST/; for an app that is
// a site (no archive), the start address's origin. The window is kept on
// these and the rest goes where launcher-common/app_boundary.h says;
// whatever the app alone may be given is given to these addresses only.
//
// One rule for both launchers, for UTF-16 and UTF-8 text alike. What differs
// is the system's: how a file:// address becomes one of its paths, its
// separators, and whether its file names compare in any case (file_system).
#include <algorithm>
#include <string>
#include <string_view>

#include "launcher-common/app_boundary.h"

template <class Char>
struct app_scope_of {
  std::basic_string<Char> folder;         // the unpacked folder, a path of the system; empty for none
  std::basic_string<Char> virtual_host;   // the host the folder is served under; empty for none
  std::basic_string<Char> start_address;  // with neither: the address the app starts at
};

template <class Char>
struct file_system {
  const char* served_scheme;  // the scheme the app's host is served under
  Char separator;
  Char other_separator;  // also separates in a folder's own path; 0 for none
  // The path a file:// address of this machine names, escapes decoded and
  // separators the system's; false for an address of another scheme,
  // machine or form.
  bool (*path_of)(std::basic_string_view<Char> address, std::basic_string<Char>& path);
  // Whether two names of equal length are the same file name.
  bool (*same_names)(std::basic_string_view<Char> a, std::basic_string_view<Char> b);
};

namespace app_addresses_detail {

template <class Char>
bool has_dot_part(std::basic_string_view<Char> path, Char separator) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find(separator, start), path.size());
    std::basic_string_view<Char> part = path.substr(start, end - start);
    if (part.size() <= 2 && part.find_first_not_of(Char('.')) == part.npos && !part.empty()) return true;
    start = end + 1;
  }
  return false;
}

// The address names the folder or a file below it; a path with "." or ".."
// parts never does, whatever it would come to.
template <class Char>
bool file_address_within(std::basic_string_view<Char> address, std::basic_string<Char> folder,
                         const file_system<Char>& files) {
  for (Char& c : folder)
    if (files.other_separator && c == files.other_separator) c = files.separator;
  while (folder.size() > 1 && folder.back() == files.separator) folder.pop_back();
  std::basic_string<Char> path;
  if (folder.empty() || !files.path_of(address, path) || path.size() < folder.size() ||
      has_dot_part<Char>(path, files.separator))
    return false;
  if (!files.same_names(std::basic_string_view<Char>(path).substr(0, folder.size()), folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == files.separator || folder.back() == files.separator;
}

}  // namespace app_addresses_detail

// Host names compare without regard to case, paths as the system compares
// file names. A start address without a host (about:, data:) owns the
// addresses of its scheme, a file:// one the files of its folder; whatever
// the start address is, the app may open it.
template <class Char>
bool is_app_address(const app_scope_of<Char>& app, std::basic_string_view<Char> address,
                    const file_system<Char>& files) {
  using namespace app_addresses_detail;
  if (!app.virtual_host.empty()) {
    std::basic_string<Char> origin;
    for (const char* c = files.served_scheme; *c; c++) origin += (Char)*c;
    origin += {Char(':'), Char('/'), Char('/')};
    origin += app.virtual_host;
    return same_web_origin(address, std::basic_string_view<Char>(origin));
  }
  if (!app.folder.empty()) return file_address_within(address, app.folder, files);
  std::basic_string_view<Char> start = app.start_address;
  return is_site_address(start, address, [&](std::basic_string_view<Char> file) {
    std::basic_string<Char> start_file;
    if (!files.path_of(start, start_file)) return false;
    size_t last = start_file.rfind(files.separator);
    return file_address_within(file, start_file.substr(0, std::max<size_t>(last, 1)), files);
  });
}

// The app is a site, not an unpacked archive.
template <class Char>
bool app_is_site(const app_scope_of<Char>& app) {
  return app.folder.empty() && app.virtual_host.empty();
}
