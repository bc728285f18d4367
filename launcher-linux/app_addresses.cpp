#include "launcher-linux/app_addresses.h"

#include <glib.h>

#include <algorithm>

#include "payload/app_boundary.h"
#include "payload/virtual_host.h"

namespace {

// The path a file:// address of this machine names, escapes decoded; empty
// for any other address.
std::string file_address_path(std::string_view address) {
  if (address_scheme(address) != "file") return "";
  std::string uri(address.substr(0, address.find_first_of("?#")));
  gchar* host = nullptr;
  gchar* path = g_filename_from_uri(uri.c_str(), &host, nullptr);
  std::string found = path && (!host || g_ascii_strcasecmp(host, "localhost") == 0) ? path : "";
  g_free(path);
  g_free(host);
  return found;
}

bool has_dot_part(std::string_view path) {
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find('/', start), path.size());
    std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return true;
    start = end + 1;
  }
  return false;
}

bool file_address_within(std::string_view address, std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string path = file_address_path(address);
  if (folder.empty() || !path.starts_with(folder) || has_dot_part(path)) return false;
  return path.size() == folder.size() || path[folder.size()] == '/' || folder == "/";
}

}  // namespace

bool is_app_address(const app_scope& app, std::string_view address) {
  if (!app.virtual_host.empty()) {
    std::string origin = std::string(linux_served_scheme) + "://" + app.virtual_host;
    return same_web_origin(address, std::string_view(origin));
  }
  if (!app.folder.empty()) return file_address_within(address, app.folder);
  std::string_view start = app.start_address;
  return is_site_address(start, address, [start](std::string_view file) {
    std::string start_file = file_address_path(start);
    return !start_file.empty() &&
           file_address_within(file, start_file.substr(0, std::max<size_t>(start_file.rfind('/'), 1)));
  });
}
