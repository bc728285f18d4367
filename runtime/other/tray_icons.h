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

// The message each icon reports its mouse actions to its window with.
constexpr UINT tray_callback_message = 12501;

void tray_library_start();
// Adds the icon to the notification area, or changes the one of that number:
// the window hears its mouse actions through tray_callback_message (lParam
// the mouse message), tip is its tooltip (127 characters at most). The icon
// stays the caller's. False when the shell would not take it.
bool show_tray_icon(int64_t number, HWND window, int32_t id, HICON icon, const wchar_t* tip);
// Adds every icon again, after Explorer restarted (taskbar_created_message).
void show_tray_icons_again();
void tray_library_stop();
// Removes the icon from the notification area; any_number removes them all.
void remove_tray_icon(int64_t number);
