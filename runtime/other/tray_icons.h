#pragma once
// Icons in the taskbar notification area, each remembered on its window under
// the property "TiloSysTray<id>".
#include <windows.h>
#include <cstdint>

struct registry;

struct tray_icon_record {
  HWND window;  // the owning window; live while non-zero
  HICON icon;   // none when the icon was given by another owner
  int32_t id;   // the uID of the notification icon
};

extern registry* tray_registry;
// Explorer broadcasts this message when the taskbar is recreated; icons must then be added again.
extern UINT taskbar_created_message;

void tray_library_start();
void tray_library_stop();
// Removes the icon from the notification area; any_number removes them all.
void remove_tray_icon(int64_t number);
