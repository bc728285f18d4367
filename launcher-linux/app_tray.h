#pragma once
// The app's tray icon on Linux (launcher-common/app_tray.h): a
// StatusNotifierItem through libayatana-appindicator3, loaded when the
// system has it, with a GTK menu of the app's items and the launcher's
// "Show" and "Quit" (where a click on the icon itself may never reach the
// app, the menu is the way back). Without the library, or without a tray
// service on the session bus, the page's call is refused with the reason,
// said once on standard error too. With CloseToTray the close box hides the
// window while the icon shows.
#include <gtk/gtk.h>

#include <string>

#include "launcher-common/app_tray.h"

struct app_indicator_calls;

class linux_tray {
 public:
  linux_tray(GtkWindow* window, const std::string& id, const std::string& icon_png, bool close_to_tray);
  ~linux_tray();
  bool show(const tray_request& request, std::string& problem);
  void remove();
  void wait(later_settle settle) { waiters_.wait(std::move(settle)); }
  // The window closes whatever CloseToTray says: the run ends.
  void end_run();

 private:
  static gboolean closing(GtkWidget*, GdkEvent*, gpointer self);
  static void chosen(GtkMenuItem* item, gpointer self);
  bool icon_file(std::string& path);

  GtkWindow* window_;
  std::string id_, icon_png_, icon_path_;
  bool close_to_tray_, ending_ = false, window_gone_ = false;
  const app_indicator_calls* calls_ = nullptr;
  void* indicator_ = nullptr;  // AppIndicator*
  GtkWidget* menu_ = nullptr;
  tray_waiters waiters_;
};
