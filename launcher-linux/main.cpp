// launcher (Linux): reads the payload appended to its own file and shows the
// web app in one window filled by a WebKitGTK web view that keeps to the app
// (links out go to the user's browser, downloads where the user says):
// served straight from the archive under its virtual host, or unpacked into
// a private folder while the window is already shown, for a file:// app, the
// folder removed when the window closes, however it closes. It reads no
// command line. A run that cannot show its app (no display, no folder to
// unpack it into) says why on standard error and ends with exit code 1;
// every other run ends with exit code 0.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "launcher-linux/app_folder.h"
#include "launcher-linux/app_scheme.h"
#include "launcher-linux/app_window.h"
#include "launcher-linux/background_unpacking.h"
#include "launcher-linux/display_loss.h"
#include "launcher-linux/downloads.h"
#include "launcher-linux/ending_signals.h"
#include "launcher-linux/desktop_notifications.h"
#include "launcher-linux/dev_serving.h"
#include "launcher-common/dev_source.h"
#include "launcher-linux/page_api_host.h"
#include "launcher-linux/page_permissions.h"
#include "launcher-linux/page_recovery.h"
#include "launcher-linux/page_boundary.h"
#include "launcher-linux/payload_file.h"
#include "launcher-linux/program_update.h"
#include "launcher-linux/settings.h"
#include "launcher-linux/single_instance.h"
#include "launcher-linux/unpacking.h"
#include "launcher-linux/web_view.h"
#include "launcher-linux/window_memory.h"
#include "payload/virtual_host.h"
#include "payload/zip_index.h"

namespace {

// What the main loop's callbacks reach: the one run of the process.
struct launcher_run {
  launcher_settings settings;
  payload_texts payload;
  app_folder folder;
  zip_index index;
  WebKitWebView* view = nullptr;
  GtkWindow* window = nullptr;
  std::unique_ptr<program_updates> updates;
};
launcher_run run;

// A folder of the run's own for a file:// app's archive, claimed before any
// window; none when ending was asked meanwhile. False, and why, when the app
// has no folder to go to.
bool claim_folder(const std::string& base, std::string& problem) {
  if (ending_asked()) return true;
  if (base.empty()) {
    problem = "no folder to unpack the app into: none of $XDG_RUNTIME_DIR, $TMPDIR and /tmp is a folder that "
              "others cannot rename things in";
    return false;
  }
  if (!claim_app_folder(base, run.folder, problem)) {
    problem = "no folder to unpack the app into: " + problem;
    return false;
  }
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

bool is_served(const launcher_run& r) {
  const std::string& host = r.settings.app.virtual_host;
  return !r.payload.archive.empty() && is_virtual_host_name(host.data(), host.size());
}

// The page, and with it what belongs to the app, which alone has window.wapp:
// once a run.
void load(const std::string& address, const app_scope& app) {
  keep_view_within_app(run.view, app);
  serve_page_api(run.view, run.window, app, run.settings, run.updates->calls);
  recover_page(run.view, run.window, run.settings.app.app_name, address);
  answer_permissions(run.view, run.window, app, run.settings.app.permissions, run.settings.app.app_name, address);
  webkit_web_view_load_uri(run.view, address.c_str());
}

void load_start_address() { load(run.settings.start_address, {"", "", run.settings.start_address}); }

// The unpacked index.html, once the files are there; the start address when
// nothing could be unpacked, which leaves no folder behind.
void unpacked(unpack_outcome outcome) {
  if (outcome != unpack_outcome::unpacked) {
    remove_app_folder(run.folder);
    return load_start_address();
  }
  gchar* uri = g_filename_to_uri((run.folder.path + "/index.html").c_str(), nullptr, nullptr);
  load(uri ? uri : "", {run.folder.path, "", ""});
  g_free(uri);
}

// The page: served from the archive under the app's scheme when the
// settings name a host (in lower case, as the browser has it), else
// unpacked first; the start address without an archive, or with one whose
// directory cannot be read.
void show_app(WebKitWebContext* context) {
  const std::string& host = run.settings.app.virtual_host;
  if (run.settings.app.dev_run() && is_virtual_host_name(host.data(), host.size())) {
    serve_dev_source(context, run.view, host, run.settings.app);
    return load(served_address(linux_served_scheme, lower_case_host(host)), {"", host, ""});
  }
  if (is_served(run)) {
    if (!run.index.open(run.payload.archive, false)) return load_start_address();
    serve_app_archive(context, run.settings.app.virtual_host, run.index);
    return load(served_address(linux_served_scheme, lower_case_host(run.settings.app.virtual_host)),
                {"", run.settings.app.virtual_host, ""});
  }
  if (!run.folder.folder) return load_start_address();
  if (!start_background_unpacking(run.payload.archive, run.folder.folder.value, unpacked))
    unpacked(unpack_outcome::no_archive);
}

// PageTitle: the page's title, or the packed one while the page has none;
// a dev run says so after the page's title too.
void show_page_title(WebKitWebView* view, GParamSpec*, GtkWindow* window) {
  const char* title = webkit_web_view_get_title(view);
  std::string shown = title && *title ? std::string(title) + (run.settings.app.dev_run() ? " (dev)" : "")
                                      : run.settings.window_title;
  gtk_window_set_title(window, shown.c_str());
}

std::string program_path() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

// A later start of a program that runs already ends here, before it needs
// a display or unpacks anything. Without a trusted base folder there is no
// claim to be had, and the unpacking says why the run ends.
bool run_alone(const launcher_settings& settings, instance_claim& instance) {
  if (!settings.app.single_instance) return true;
  std::string base = app_folders_base();
  // By the app's id, a copy under another name is the same app.
  const std::string& id = settings.app.app_id;
  return base.empty() || claim_single_instance(base, id.empty() ? program_path() : "id:" + id, instance);
}

}  // namespace

int main() {
  run.payload = read_payload_file("/proc/self/exe");
  // Settings that do not parse give no window, and nothing is unpacked.
  if (!read_launcher_settings(run.payload, run.settings)) return 0;
  instance_claim instance;
  if (!run_alone(run.settings, instance)) return 0;
  // The desktop knows the window by the program's name (WM_CLASS, Wayland's app id).
  const std::string program_name = program_file_name();
  g_set_prgname(program_name.c_str());
  // Before any folder is claimed: a run that cannot show a window leaves nothing.
  if (!gtk_init_check(nullptr, nullptr)) {
    abandon_single_instance(instance);
    return refuse(program_name, no_display_problem());
  }
  std::string problem;
  mark_ending_signals();
  std::string base = app_folders_base();
  if (!base.empty()) remove_stale_app_folders(base);
  if (!run.payload.archive.empty() && !is_served(run) && !claim_folder(base, problem))
    return refuse(program_name, problem);
  if (quit_main_loop_on_ending_signals()) {
    remove_app_folder(run.folder);
    return 0;
  }
  remove_folder_when_display_is_lost(run.folder);
  run.updates = std::make_unique<program_updates>(run.settings);
  remove_update_leftovers(run.updates->program);
  // The app's data goes by its id; a payload without one keeps the folders
  // named after the program's file, as before.
  // A dev run keeps its data apart from the users'.
  std::string data_name = run.settings.app.app_id.empty() ? program_name : run.settings.app.app_id;
  if (run.settings.app.dev_run()) data_name = dev_data_name(data_name);
  WebKitWebContext* context = create_web_context(data_name);
  run.view = create_web_view(context, run.settings.app.dev_tools);
  const std::string data_folder = app_data_folder(data_name);
  window_place left;
  bool restore = run.settings.app.remember_window && remembered_place(data_folder, gdk_display_get_default(), left);
  GtkWindow* window = open_app_window(run.settings, GTK_WIDGET(run.view), restore ? &left : nullptr);
  run.window = window;
  save_downloads(context, window);
  followed_place followed;
  if (run.settings.app.remember_window) follow_window_place(window, followed);
  answer_later_starts(instance, window);
  // The window goes by its close button or by the page's window.close(),
  // and the loop ends with it as it ends on the ending signals.
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_signal_connect_swapped(run.view, "close", G_CALLBACK(gtk_widget_destroy), window);
  show_notifications_on_desktop(run.view, window, run.settings.app.app_name, run.settings.icon_png);
  if (run.settings.app.page_title) g_signal_connect(run.view, "notify::title", G_CALLBACK(show_page_title), window);
  show_app(context);
  gtk_main();
  stop_background_unpacking();
  release_single_instance(instance);
  if (followed.known) remember_place(data_folder, followed.place);
  remove_app_folder(run.folder);
  start_updated_program(*run.updates);
  // A call's thread that still runs uses it until the process ends.
  if (run.updates->calls.busy()) (void)run.updates.release();
  return 0;
}
