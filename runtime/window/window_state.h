#pragma once
// Working state of the window library and the helpers its files share.
#include <windows.h>
#include <cstdint>

#include "runtime/core/registry.h"
#include "runtime/window/windows.h"

struct window_library_record {
  HICON application_icon;   // class icon and cursor of every runtime window
  HCURSOR arrow_cursor;
  int32_t composition_checked;  // the desktop composition question is asked once
  BOOL composition_enabled;
};

extern window_library_record* window_state;

// The record of an open window, or none.
inline window_record* find_window(int64_t number) { return (window_record*)find_object(window_registry, number); }

// Tab and Shift+Tab arrive as WM_COMMAND with these accelerator commands.
constexpr WORD command_next_tab_stop = 64001;
constexpr WORD command_previous_tab_stop = 64002;

constexpr int class_name_length = 40;
// "WindowClass_<number>": every runtime window has a class of its own.
void window_class_name(wchar_t (&name)[class_name_length], int64_t number);

// Device pixels to move a window left so that its visible edge, not the
// invisible resize border that composition adds, lands on the requested x.
int32_t frame_offset(window_record* record);
void centre_window(HWND window, uint32_t flags, HWND parent);
void create_window_accelerators(window_record* record);
