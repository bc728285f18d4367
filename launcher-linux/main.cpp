// launcher (Linux): reads the payload appended to its own file, unpacks the
// web app into a private folder, shows it in one window filled by a
// WebKitGTK web view that keeps to the app (links out go to the user's
// browser, downloads where the user says), and removes the folder when the
// window closes, however it closes. It reads no command line, reports nothing and ends with exit
// code 0.
#include <csignal>

#include <glib-unix.h>

#include "launcher-linux/app_folder.h"
#include "launcher-linux/app_scheme.h"
#include "launcher-linux/app_window.h"
#include "launcher-linux/display_loss.h"
#include "launcher-linux/downloads.h"
#include "launcher-linux/page_boundary.h"
#include "launcher-linux/payload_file.h"
#include "launcher-linux/settings.h"
#include "launcher-linux/unpacking.h"
#include "launcher-linux/web_view.h"
#include "payload/virtual_host.h"

namespace {

// Unpacks the archive, if the payload carries one, into a folder of the
// run's own; no folder is left claimed when there is nothing to show from it.
void unpack(const payload_texts& payload, app_folder& folder) {
  std::string base = app_folders_base();
  remove_stale_app_folders(base);
  if (payload.archive.empty() || !claim_app_folder(base, folder)) return;
  if (!unpack_archive(payload.archive, folder.folder.value)) remove_app_folder(folder);
}

// The unpacked index.html, served under the app's scheme when the settings
// name a host, else from file://; the start address when nothing was
// unpacked. What belongs to that app goes to app.
std::string page_address(const launcher_settings& settings, const app_folder& folder, WebKitWebContext* context,
                         app_scope& app) {
  if (!folder.folder) {
    app.start_address = settings.start_address;
    return settings.start_address;
  }
  const std::string& host = settings.virtual_host;
  if (is_virtual_host_name(host.data(), host.size())) {
    serve_app_folder(context, host, folder.folder.value);
    app.virtual_host = host;
    return served_address(linux_served_scheme, host);
  }
  app.folder = folder.path;
  gchar* uri = g_filename_to_uri((folder.path + "/index.html").c_str(), nullptr, nullptr);
  std::string address = uri ? uri : "";
  g_free(uri);
  return address;
}

gboolean end_on_signal(gpointer) {
  gtk_main_quit();
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main() {
  payload_texts payload = read_payload_file("/proc/self/exe");
  launcher_settings settings;
  // Settings that do not parse give no window, and nothing is unpacked.
  if (!read_launcher_settings(payload, settings)) return 0;
  // The desktop knows the window by the program's name (WM_CLASS, Wayland's app id).
  const std::string program_name = program_file_name();
  g_set_prgname(program_name.c_str());
  if (!gtk_init_check(nullptr, nullptr)) return 0;
  app_folder folder;
  unpack(payload, folder);
  payload = {};  // the app is on disk now
  remove_folder_when_display_is_lost(folder);
  WebKitWebContext* context = create_web_context(program_name);
  app_scope app;
  std::string address = page_address(settings, folder, context, app);
  WebKitWebView* view = create_web_view(context, settings.dev_tools);
  keep_view_within_app(view, app);
  GtkWindow* window = open_app_window(settings, GTK_WIDGET(view));
  save_downloads(context, window);
  // The window goes by its close button, by the page's window.close(), or
  // when the process is asked to end: each way ends the loop.
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect_swapped(view, "close", G_CALLBACK(gtk_widget_destroy), window);
  for (int ending : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(ending, end_on_signal, nullptr);
  webkit_web_view_load_uri(view, address.c_str());
  gtk_main();
  remove_app_folder(folder);
  return 0;
}
