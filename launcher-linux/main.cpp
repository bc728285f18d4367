// launcher (Linux): reads the payload appended to its own file, unpacks the
// web app into a private folder, shows it in one window filled by a
// WebKitGTK web view, and removes the folder when the window closes, however
// it closes. It reads no command line. A run that cannot show its app (no
// display, no folder to unpack it into) says why on standard error and ends
// with exit code 1; every other run ends with exit code 0.
#include <cstdio>
#include <cstdlib>

#include "launcher-linux/app_folder.h"
#include "launcher-linux/app_scheme.h"
#include "launcher-linux/app_window.h"
#include "launcher-linux/display_loss.h"
#include "launcher-linux/ending_signals.h"
#include "launcher-linux/payload_file.h"
#include "launcher-linux/settings.h"
#include "launcher-linux/unpacking.h"
#include "launcher-linux/web_view.h"
#include "payload/virtual_host.h"

namespace {

// Unpacks the archive, if the payload carries one, into a folder of the
// run's own; no folder is left claimed when there is nothing to show from
// it, nor when the run was asked to end meanwhile. False, and why, when the
// app has no folder to go to.
bool unpack(const payload_texts& payload, app_folder& folder, std::string& problem) {
  std::string base = app_folders_base();
  if (!base.empty()) remove_stale_app_folders(base);
  if (payload.archive.empty() || ending_asked()) return true;
  if (base.empty()) {
    problem = "no folder to unpack the app into: none of $XDG_RUNTIME_DIR, $TMPDIR and /tmp is a folder that "
              "others cannot rename things in";
    return false;
  }
  if (!claim_app_folder(base, folder, problem)) {
    problem = "no folder to unpack the app into: " + problem;
    return false;
  }
  if (unpack_archive(payload.archive, folder.folder.value, ending_asked) != unpack_outcome::unpacked)
    remove_app_folder(folder);
  return true;
}

int refuse(const std::string& program_name, const std::string& problem) {
  std::fprintf(stderr, "%s: %s\n", program_name.c_str(), problem.c_str());
  return 1;
}

std::string no_display_problem() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!display || !*display) && (!wayland || !*wayland))
    return "no display to show the app on: neither DISPLAY nor WAYLAND_DISPLAY is set";
  return std::string("cannot open the display ") + (display && *display ? display : wayland);
}

// The unpacked index.html, served under the app's scheme when the settings
// name a host (in lower case, as the browser has it), else from file://;
// the start address when nothing was unpacked.
std::string page_address(const launcher_settings& settings, const app_folder& folder, WebKitWebContext* context) {
  if (!folder.folder) return settings.start_address;
  const std::string& host = settings.virtual_host;
  if (is_virtual_host_name(host.data(), host.size())) {
    serve_app_folder(context, host, folder.folder.value);
    return served_address(linux_served_scheme, lower_case_host(host));
  }
  gchar* uri = g_filename_to_uri((folder.path + "/index.html").c_str(), nullptr, nullptr);
  std::string address = uri ? uri : "";
  g_free(uri);
  return address;
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
  // Before any folder is claimed: a run that cannot show a window leaves nothing.
  if (!gtk_init_check(nullptr, nullptr)) return refuse(program_name, no_display_problem());
  app_folder folder;
  std::string problem;
  mark_ending_signals();
  if (!unpack(payload, folder, problem)) return refuse(program_name, problem);
  payload = {};  // the app is on disk now
  if (quit_main_loop_on_ending_signals()) {
    remove_app_folder(folder);
    return 0;
  }
  remove_folder_when_display_is_lost(folder);
  WebKitWebContext* context = create_web_context(program_name);
  std::string address = page_address(settings, folder, context);
  WebKitWebView* view = create_web_view(context);
  GtkWindow* window = open_app_window(settings, GTK_WIDGET(view));
  // The window goes by its close button or by the page's window.close(),
  // and the loop ends with it as it ends on the ending signals.
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect_swapped(view, "close", G_CALLBACK(gtk_widget_destroy), window);
  webkit_web_view_load_uri(view, address.c_str());
  gtk_main();
  remove_app_folder(folder);
  return 0;
}
