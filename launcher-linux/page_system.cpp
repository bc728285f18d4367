#include "launcher-linux/page_system.h"

#include <sys/stat.h>

#include "launcher-linux/file_replacement.h"
#include "launcher-linux/page_boundary.h"
#include "launcher-linux/window_memory.h"

namespace {

// One filter per type; patterns in both letter cases, as files come.
void add_filters(GtkFileChooser* chooser, const std::vector<file_type_filter>& types) {
  for (const file_type_filter& type : types) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, type.description.empty() ? type.extensions[0].c_str() : type.description.c_str());
    for (const std::string& extension : type.extensions) {
      gchar* lower = g_ascii_strdown(extension.c_str(), -1);
      gchar* upper = g_ascii_strup(extension.c_str(), -1);
      gtk_file_filter_add_pattern(filter, (std::string("*.") + lower).c_str());
      gtk_file_filter_add_pattern(filter, (std::string("*.") + upper).c_str());
      g_free(lower);
      g_free(upper);
    }
    gtk_file_chooser_add_filter(chooser, filter);
  }
}

// The chooser runs its own loop until the user answers; the app's window
// waits behind it.
GtkFileChooserNative* chooser_for(GtkWindow* window, const char* title, GtkFileChooserAction action,
                                  const std::vector<file_type_filter>& types) {
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(title, window, action, nullptr, nullptr);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  add_filters(GTK_FILE_CHOOSER(chooser), types);
  return chooser;
}

}  // namespace

bool gtk_page_system::run_chooser(GtkFileChooserNative* chooser) {
  if (ending_) return false;
  open_chooser_ = chooser;
  bool accepted = gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT;
  open_chooser_ = nullptr;
  return accepted && !ending_;
}

void gtk_page_system::end_choosing() {
  ending_ = true;
  if (open_chooser_) gtk_native_dialog_hide(GTK_NATIVE_DIALOG(open_chooser_));
}

std::vector<std::string> gtk_page_system::choose_files_to_open(const std::vector<file_type_filter>& types,
                                                               bool multiple) {
  GtkFileChooserNative* chooser = chooser_for(window_, "Open", GTK_FILE_CHOOSER_ACTION_OPEN, types);
  gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), multiple);
  std::vector<std::string> paths;
  if (run_chooser(chooser)) {
    GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(chooser));
    for (GSList* name = names; name; name = name->next) paths.push_back((const char*)name->data);
    g_slist_free_full(names, g_free);
  }
  g_object_unref(chooser);
  return paths;
}

// Titled with the name, as a download's chooser is.
std::string gtk_page_system::choose_file_to_save(const std::string& suggested_name,
                                                 const std::vector<file_type_filter>& types) {
  const char* title = suggested_name.empty() ? "Save as" : suggested_name.c_str();
  GtkFileChooserNative* chooser = chooser_for(window_, title, GTK_FILE_CHOOSER_ACTION_SAVE, types);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
  const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
  gtk_file_chooser_set_current_folder(
      files, documents && g_file_test(documents, G_FILE_TEST_IS_DIR) ? documents : g_get_home_dir());
  if (!suggested_name.empty()) gtk_file_chooser_set_current_name(files, suggested_name.c_str());
  std::string path;
  if (run_chooser(chooser)) {
    gchar* name = gtk_file_chooser_get_filename(files);
    if (name) path = name;
    g_free(name);
  }
  g_object_unref(chooser);
  return path;
}

std::string gtk_page_system::file_name(const std::string& path) {
  gchar* name = g_filename_display_basename(path.c_str());
  std::string shown = name ? name : "";
  g_free(name);
  return shown;
}

int64_t gtk_page_system::file_size(const std::string& path) {
  struct stat facts;
  if (stat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) return -1;
  return (int64_t)facts.st_size;
}

bool gtk_page_system::read_file(const std::string& path, std::string& bytes, std::string& problem) {
  return read_file_at_most(path, page_api_data_limit, file_owner::user, bytes, problem);
}

bool gtk_page_system::write_file(const std::string& path, std::string_view bytes, std::string& problem) {
  return replace_file(path, bytes, file_owner::user, problem);
}

bool gtk_page_system::open_external(const std::string& address) { return open_in_user_browser(address.c_str()); }

void gtk_page_system::announce_window(const std::string& address) {
  announce_page_window(WEBKIT_WEB_VIEW(content_), address);
}

void gtk_page_system::change_window(const window_request& request) {
  switch (request.change) {
    case window_change::set_title: gtk_window_set_title(window_, request.title.c_str()); break;
    case window_change::minimize: gtk_window_iconify(window_); break;
    case window_change::maximize: gtk_window_maximize(window_); break;
    case window_change::restore:
      gtk_window_unmaximize(window_);
      gtk_window_unfullscreen(window_);
      gtk_window_deiconify(window_);
      break;
    case window_change::set_fullscreen:
      if (request.on) gtk_window_fullscreen(window_);
      else gtk_window_unfullscreen(window_);
      break;
    // As the close button: the window goes, and the run ends with it.
    case window_change::close: tray_.end_run(); break;
    // A window of fixed size takes its content's (launcher-linux/app_window.cpp).
    // No larger than the work area of the window's monitor.
    case window_change::set_size: {
      int x = 0, y = 0;
      gtk_window_get_position(window_, &x, &y);
      screen_area area = work_area_at(gtk_widget_get_display(GTK_WIDGET(window_)), x, y);
      int width = (int)std::min<int64_t>(request.width, area.width);
      int height = (int)std::min<int64_t>(request.height, area.height);
      if (gtk_window_get_resizable(window_)) gtk_window_resize(window_, width, height);
      else gtk_widget_set_size_request(content_, width, height);
      break;
    }
  }
}

void gtk_page_system::update(update_step step, later_settle settle) {
  if (step == update_step::check) return updates_.check(std::move(settle));
  if (step == update_step::install) return updates_.install(std::move(settle));
  updates_.restart(std::move(settle), [this] { tray_.end_run(); });
}
