#include "launcher/app_tray_icon.h"

#include <commctrl.h>

#include "runtime/core/utf16.h"
#include "runtime/other/menus.h"
#include "runtime/other/tray_icons.h"
#include "runtime/core/registry.h"

namespace {

constexpr int64_t tray_number = 0, menu_number = 0;
constexpr int32_t icon_id = 1;
constexpr UINT_PTR subclass_id = 0x7471;
// Menu item identifiers: the app's items from 1, the launcher's two after.
constexpr UINT show_item = 0x7F01, quit_item = 0x7F02;

HMENU build_menu(const std::vector<tray_item>& items) {
  free_menu(menu_number);
  auto* record = static_cast<menu_record*>(obtain_slot(menu_registry, menu_number));
  if (!record) return nullptr;
  record->menu = CreatePopupMenu();
  if (!record->menu) return nullptr;
  for (size_t i = 0; i < items.size(); i++) {
    const tray_item& item = items[i];
    if (item.separator) {
      AppendMenuW(record->menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item.enabled ? 0 : MF_GRAYED) | (item.checked ? MF_CHECKED : 0);
    AppendMenuW(record->menu, flags, i + 1, wide_of(item.label).c_str());
  }
  if (!items.empty()) AppendMenuW(record->menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(record->menu, MF_STRING, show_item, wide_of(tray_show_label).c_str());
  AppendMenuW(record->menu, MF_STRING, quit_item, wide_of(tray_quit_label).c_str());
  return record->menu;
}

}  // namespace

bool windows_tray::show(const tray_request& request, std::string& problem) {
  // The program's own icon, as the window has it; the class keeps it.
  HICON icon = (HICON)GetClassLongPtrW(window_, GCLP_HICONSM);
  if (!icon) icon = (HICON)GetClassLongPtrW(window_, GCLP_HICON);
  if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
  if (!show_tray_icon(tray_number, window_, icon_id, icon, wide_of(request.tooltip).c_str()))
    return problem = "the notification area would not take the icon", false;
  items_ = request.items;
  if (!shown_) SetWindowSubclass(window_, procedure, subclass_id, (DWORD_PTR)this);
  shown_ = true;
  return true;
}

void windows_tray::remove() {
  if (!shown_) return;
  remove_tray_icon(tray_number);
  free_menu(menu_number);
  RemoveWindowSubclass(window_, procedure, subclass_id);
  shown_ = false;
  // Hidden with no icon to bring it back, the window comes back.
  if (!IsWindowVisible(window_)) bring_back();
}

void windows_tray::end_run() {
  ending_ = true;
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

void windows_tray::bring_back() {
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
}

// The menu opens where the pointer is; the foreground window first, so that
// a click elsewhere closes it (the documented way for tray menus).
void windows_tray::open_menu() {
  HMENU menu = build_menu(items_);
  if (!menu) return;
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(window_);
  UINT chosen = (UINT)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr);
  PostMessageW(window_, WM_NULL, 0, 0);
  if (chosen == show_item) return bring_back();
  if (chosen == quit_item) return end_run();
  if (chosen >= 1 && chosen <= items_.size()) waiters_.deliver(tray_menu_event(items_[chosen - 1].id));
}

LRESULT CALLBACK windows_tray::procedure(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
  auto& tray = *(windows_tray*)self;
  try {
    if (message == tray_callback_message) {
      UINT mouse = LOWORD(l);
      if (mouse == WM_LBUTTONUP) {
        tray.bring_back();
        tray.waiters_.deliver(tray_click_event());
      } else if (mouse == WM_RBUTTONUP || mouse == WM_CONTEXTMENU) {
        tray.open_menu();
      }
      return 0;
    }
    if (message == taskbar_created_message) show_tray_icons_again();
    // The close box hides the window while the icon can bring it back.
    if (message == WM_CLOSE && tray.close_to_tray_ && !tray.ending_) {
      ShowWindow(window, SW_HIDE);
      return 0;
    }
  } catch (...) {
    return 0;
  }
  return DefSubclassProc(window, message, w, l);
}
