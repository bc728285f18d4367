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
  RemovePropW(tray->window, property);
}

void remove_tray_icon(int64_t number) { release_object(tray_registry, number, delete_tray_icon); }
