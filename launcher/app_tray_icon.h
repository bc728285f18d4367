#pragma once
// The app's tray icon on Windows (launcher-common/app_tray.h): the program's
// own icon in the notification area through the runtime's tray icon library,
// its menu through the runtime's menu library, opened with TrackPopupMenu
// from the icon's messages, which reach the window through a subclass while
// the icon is shown. With CloseToTray the close box then hides the window;
// "Quit", wapp.window.close() and an update's restart still end the run.
#include <windows.h>

#include <string>

#include "launcher-common/app_tray.h"

class windows_tray {
 public:
  windows_tray(HWND window, bool close_to_tray) : window_(window), close_to_tray_(close_to_tray) {}
  ~windows_tray() { remove(); }
  bool show(const tray_request& request, std::string& problem);
  void remove();
  void wait(later_settle settle) { waiters_.wait(std::move(settle)); }
  // The window closes whatever CloseToTray says: the run ends.
  void end_run();

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self);
  void open_menu();
  void bring_back();

  HWND window_;
  bool close_to_tray_;
  bool shown_ = false, ending_ = false;
  std::vector<tray_item> items_;
  tray_waiters waiters_;
};
