#include "launcher-linux/app_tray.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

#include "launcher-linux/app_folder.h"
#include "launcher-linux/file_replacement.h"

// The few calls of libayatana-appindicator3 the tray needs, found at run
// time: the program starts on systems without the library, and only the
// tray is then refused.
struct app_indicator_calls {
  void* (*create)(const char* id, const char* icon_name, int category);
  void (*set_status)(void* indicator, int status);
  void (*set_menu)(void* indicator, GtkMenu* menu);
  void (*set_icon)(void* indicator, const char* icon_name, const char* description);
  void (*set_title)(void* indicator, const char* title);
};

namespace {

constexpr int category_application_status = 0, status_passive = 0, status_active = 1;

const app_indicator_calls* indicator_library(std::string& problem) {
  static app_indicator_calls calls{};
  static bool loaded = false, tried = false;
  if (!tried) {
    tried = true;
    void* library = dlopen("libayatana-appindicator3.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (library) {
      calls.create = (decltype(calls.create))dlsym(library, "app_indicator_new");
      calls.set_status = (decltype(calls.set_status))dlsym(library, "app_indicator_set_status");
      calls.set_menu = (decltype(calls.set_menu))dlsym(library, "app_indicator_set_menu");
      calls.set_icon = (decltype(calls.set_icon))dlsym(library, "app_indicator_set_icon_full");
      calls.set_title = (decltype(calls.set_title))dlsym(library, "app_indicator_set_title");
      loaded = calls.create && calls.set_status && calls.set_menu && calls.set_icon && calls.set_title;
    }
  }
  if (!loaded) problem = "the system has no tray library (libayatana-appindicator3)";
  return loaded ? &calls : nullptr;
}

// Whether a StatusNotifierWatcher owns its name on the session bus: the
// desktop's tray, which shows the items that register with it.
bool tray_service_answers() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return false;
  GVariant* owned = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "NameHasOwner",
                                                g_variant_new("(s)", "org.kde.StatusNotifierWatcher"),
                                                G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
  gboolean answers = FALSE;
  if (owned) g_variant_get(owned, "(b)", &answers), g_variant_unref(owned);
  g_object_unref(bus);
  return answers;
}

// Said once a run, whatever the page asks how often.
void say_once(const std::string& problem) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "%s: %s: the app's tray icon is not shown\n", g_get_prgname(), problem.c_str());
}

}  // namespace

linux_tray::linux_tray(GtkWindow* window, const std::string& id, const std::string& icon_png, bool close_to_tray)
    : window_(window), id_(id), icon_png_(icon_png), close_to_tray_(close_to_tray) {
  g_signal_connect(window, "delete-event", G_CALLBACK(closing), this);
  // The icon, and its file, go with the window, however the run ends.
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(+[](linux_tray* tray) {
                             tray->window_gone_ = true;
                             tray->remove();
                           }),
                           this);
}

linux_tray::~linux_tray() { remove(); }

// The packed icon as a file of the run's own, in the run's trusted folder:
// the tray's host reads the icon by name.
bool linux_tray::icon_file(std::string& path) {
  if (icon_png_.empty()) return false;
  if (!icon_path_.empty()) return path = icon_path_, true;
  std::string base = app_folders_base(), problem;
  if (base.empty()) return false;
  std::string file = base + "/" + id_ + "-tray-" + std::to_string(getpid()) + ".png";
  if (!replace_file(file, icon_png_, file_owner::launcher, problem)) return false;
  icon_path_ = path = file;
  return true;
}

bool linux_tray::show(const tray_request& request, std::string& problem) {
  const app_indicator_calls* calls = indicator_library(problem);
  if (calls && !tray_service_answers()) calls = nullptr, problem = "no tray service answers on the session bus";
  if (!calls) {
    say_once(problem);
    return false;
  }
  calls_ = calls;
  std::string icon;
  if (!icon_file(icon)) icon = "application-x-executable";
  if (!indicator_) indicator_ = calls_->create(id_.c_str(), icon.c_str(), category_application_status);
  if (!indicator_) return problem = "the tray library would not make the icon", false;
  calls_->set_icon(indicator_, icon.c_str(), request.tooltip.c_str());
  calls_->set_title(indicator_, request.tooltip.c_str());
  GtkWidget* menu = gtk_menu_new();
  auto add = [&](GtkWidget* item, const char* id) {
    g_object_set_data_full(G_OBJECT(item), "wapp-id", g_strdup(id), g_free);
    g_signal_connect(item, "activate", G_CALLBACK(chosen), this);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  };
  for (const tray_item& item : request.items) {
    if (item.separator) {
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
      continue;
    }
    GtkWidget* entry = item.checked ? gtk_check_menu_item_new_with_label(item.label.c_str())
                                    : gtk_menu_item_new_with_label(item.label.c_str());
    if (item.checked) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), TRUE);
    gtk_widget_set_sensitive(entry, item.enabled);
    add(entry, ("app:" + item.id).c_str());
  }
  if (!request.items.empty()) gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
  add(gtk_menu_item_new_with_label(tray_show_label), "show");
  add(gtk_menu_item_new_with_label(tray_quit_label), "quit");
  gtk_widget_show_all(menu);
  calls_->set_menu(indicator_, GTK_MENU(menu));
  if (menu_) gtk_widget_destroy(menu_);
  menu_ = menu;
  calls_->set_status(indicator_, status_active);
  return true;
}

void linux_tray::remove() {
  if (!indicator_) return;
  calls_->set_status(indicator_, status_passive);
  g_object_unref(indicator_);
  indicator_ = nullptr;
  if (menu_) gtk_widget_destroy(menu_);
  menu_ = nullptr;
  if (!icon_path_.empty()) unlink(icon_path_.c_str());
  icon_path_.clear();
  // Hidden with no icon to bring it back, the window comes back.
  if (!window_gone_ && !gtk_widget_get_visible(GTK_WIDGET(window_))) gtk_window_present(window_);
}

void linux_tray::end_run() {
  ending_ = true;
  gtk_window_close(window_);
}

gboolean linux_tray::closing(GtkWidget* window, GdkEvent*, gpointer self) {
  auto& tray = *(linux_tray*)self;
  if (!tray.close_to_tray_ || tray.ending_ || !tray.indicator_) return FALSE;
  gtk_widget_hide(window);
  return TRUE;
}

void linux_tray::chosen(GtkMenuItem* item, gpointer self) {
  auto& tray = *(linux_tray*)self;
  std::string id = (const char*)g_object_get_data(G_OBJECT(item), "wapp-id");
  if (id == "show") return gtk_window_present(tray.window_);
  if (id == "quit") return tray.end_run();
  tray.waiters_.deliver(tray_menu_event(id.substr(4)));
}
