#pragma once
// The displays attached to the desktop, primary first. Sizes and positions
// are device pixels: unlike window geometry they are not scaled.
#include <windows.h>
#include <cstdint>

struct desktop_record {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t refresh_rate;  // hertz; 0 or 1 mean the hardware default
  int32_t colour_depth;  // bits per pixel
  wchar_t device_name[32];
};

using enum_display_devices_routine = BOOL(WINAPI*)(LPCWSTR, DWORD, DISPLAY_DEVICEW*, DWORD);
using enum_display_settings_routine = BOOL(WINAPI*)(LPCWSTR, DWORD, DEVMODEW*);
using get_monitor_info_routine = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
using enum_display_monitors_routine = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);

struct desktop_library_record {
  desktop_record* table;  // from the runtime heap, replaced by every examine_desktops
  int32_t count;
  HMODULE user32;         // loaded on the first examine_desktops
  enum_display_devices_routine enum_display_devices;
  get_monitor_info_routine get_monitor_info;
  enum_display_monitors_routine enum_display_monitors;
  // The settings query, kept beside the device query so that both can be
  // replaced together to describe displays this machine does not have.
  enum_display_settings_routine enum_display_settings;
};

extern desktop_library_record desktops;

// Takes a fresh inventory; the number of displays, 0 when none could be determined.
int64_t examine_desktops();
// 0 for an index outside the last inventory.
int64_t desktop_width(int32_t index);
int64_t desktop_height(int32_t index);
void desktop_library_stop();
