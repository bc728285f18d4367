#include "launcher-common/app_tray.h"

#include "payload/json_text.h"

std::string tray_menu_event(const std::string& id) { return "{\"kind\":\"menu\",\"id\":" + json_quoted(id) + "}"; }

std::string tray_click_event() { return "{\"kind\":\"click\"}"; }

void tray_waiters::deliver(const std::string& event) {
  std::vector<later_settle> waiting;
  waiting.swap(waiting_);
  for (const later_settle& settle : waiting) settle(event, "");
}
