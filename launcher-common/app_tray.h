#pragma once
// The app's icon in the system's tray (wapp.tray), as both launchers show
// it: a tooltip and a menu of the app's items, after which the launcher
// always puts its own "Show" and "Quit". What the user chooses reaches the
// page as an event: the page's script keeps a call waiting (tray.next) that
// the launcher settles with the next event, so that events travel the way
// every reply does, checked the same way.
#include <string>
#include <vector>

#include "launcher-common/page_api.h"

constexpr size_t most_tray_items = 64;
constexpr size_t longest_tray_label = 100;
// The Windows tray's own limit, 127 UTF-16 units, counted in bytes here.
constexpr size_t longest_tray_tooltip = 127;
constexpr size_t longest_tray_item_id = 64;

struct tray_item {
  std::string id, label;  // none for a separator
  bool enabled = true, checked = false, separator = false;
};

struct tray_request {
  std::string tooltip;
  std::vector<tray_item> items;
};

// The launcher's own items, after the app's.
constexpr char tray_show_label[] = "Show";
constexpr char tray_quit_label[] = "Quit";

// {"kind":"menu","id":"..."} or {"kind":"click"}, as the page gets them.
std::string tray_menu_event(const std::string& id);
std::string tray_click_event();

// The page's waiting calls. Every waiting call gets the next event: after
// a reload the old page's call is gone with its page, and the new page's
// must not miss it.
class tray_waiters {
 public:
  void wait(later_settle settle) { waiting_.push_back(std::move(settle)); }
  void deliver(const std::string& event);

 private:
  std::vector<later_settle> waiting_;
};
