#include "launcher-linux/app_addresses.h"

#include <glib.h>

#include "payload/virtual_host.h"

namespace {

// Escapes decoded by GLib, which refuses what names no file of this machine.
bool file_address_path(std::string_view address, std::string& path) {
  if (address_scheme(address) != "file") return false;
  std::string uri(address.substr(0, address.find_first_of("?#")));
  gchar* host = nullptr;
  gchar* found = g_filename_from_uri(uri.c_str(), &host, nullptr);
  bool here = found && (!host || g_ascii_strcasecmp(host, "localhost") == 0);
  if (here) path = found;
  g_free(found);
  g_free(host);
  return here;
}

bool same_file_names(std::string_view a, std::string_view b) { return a == b; }

constexpr file_system<char> linux_files = {linux_served_scheme, '/', 0, file_address_path, same_file_names};

}  // namespace

bool is_app_address(const app_scope& app, std::string_view address) {
  return is_app_address(app, address, linux_files);
}
