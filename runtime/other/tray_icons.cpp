#include "runtime/other/tray_icons.h"

#include <shellapi.h>
#include <cstdio>

#include "runtime/core/registry.h"

registry* tray_registry;
UINT taskbar_created_message;

// The shell tells structure versions apart by cbSize: this is the full one.
static_assert(sizeof(NOTIFYICONDATAW) == 976);

void tray_library_start() {
  tray_registry = create_registry(sizeof(tray_icon_record), 16, remove_tray_icon);
  taskbar_created_message = RegisterWindowMessageW(L"TaskbarCreated");
}

void tray_library_stop() { remove_tray_icon(any_number); }

static void delete_tray_icon(void* record) {
  auto* tray = static_cast<tray_icon_record*>(record);
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = tray->window;
  data.uID = tray->id;
  Shell_NotifyIconW(NIM_DELETE, &data);
  if (tray->icon) DestroyIcon(tray->icon);
  wchar_t property[32];
  swprintf(property, 32, L"TiloSysTray%d", tray->id);
  if (HANDLE shown = RemovePropW(tray->window, property)) HeapFree(GetProcessHeap(), 0, shown);
}

namespace {

NOTIFYICONDATAW icon_data(const tray_icon_record& tray, HICON icon, const wchar_t* tip) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = tray.window;
  data.uID = tray.id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = tray_callback_message;
  data.hIcon = icon;
  if (tip) wcsncpy(data.szTip, tip, 127);
  return data;
}

// What each icon showed last, for Explorer's restart.
struct shown_icon {
  HICON icon;
  wchar_t tip[128];
};

}  // namespace

bool show_tray_icon(int64_t number, HWND window, int32_t id, HICON icon, const wchar_t* tip) {
  auto* tray = static_cast<tray_icon_record*>(find_object(tray_registry, number));
  bool added = tray != nullptr;
  if (!tray) tray = static_cast<tray_icon_record*>(obtain_slot(tray_registry, number));
  if (!tray) return false;
  tray->window = window;
  tray->id = id;
  tray->icon = nullptr;  // the caller's
  NOTIFYICONDATAW data = icon_data(*tray, icon, tip);
  if (!Shell_NotifyIconW(added ? NIM_MODIFY : NIM_ADD, &data) && !Shell_NotifyIconW(NIM_ADD, &data)) {
    release_slot(tray_registry, number);
    return false;
  }
  wchar_t property[32];
  swprintf(property, 32, L"TiloSysTray%d", id);
  auto* shown = (shown_icon*)GetPropW(window, property);
  if (!shown) shown = (shown_icon*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(shown_icon));
  if (shown) {
    shown->icon = icon;
    wcsncpy(shown->tip, data.szTip, 127);
    SetPropW(window, property, shown);
  }
  return true;
}

void show_tray_icons_again() {
  for (int64_t number = 0; number < tray_registry->slot_count; number++) {
    auto* tray = static_cast<tray_icon_record*>(find_object(tray_registry, number));
    if (!tray || !tray->window) continue;
    wchar_t property[32];
    swprintf(property, 32, L"TiloSysTray%d", tray->id);
    auto* shown = (shown_icon*)GetPropW(tray->window, property);
    if (!shown) continue;
    NOTIFYICONDATAW data = icon_data(*tray, shown->icon, shown->tip);
    Shell_NotifyIconW(NIM_ADD, &data);
  }
}

void remove_tray_icon(int64_t number) { release_object(tray_registry, number, delete_tray_icon); }
