#pragma once
// Numbered top-level windows.
#include <windows.h>
#include <cstdint>

struct registry;

struct window_record {
  HWND handle;             // non-zero exactly while the window exists
  ACCEL* accelerator_entries;
  HACCEL accelerator_table;
  int32_t accelerator_count;
  int32_t state;           // 1 while minimized or maximized
  int32_t ready;           // 1 once open_window has finished
  uint16_t minimum_width, minimum_height, maximum_width, maximum_height;  // inner, 0 = no limit
};

// Flag word bits that are runtime options rather than window styles.
constexpr uint32_t window_centre_screen = 0x1;
constexpr uint32_t window_centre_parent = 0x2;
constexpr uint32_t window_tool = 0x4;
constexpr uint32_t window_keep_gadget_list = 0x8;
constexpr uint32_t window_no_activate = 0x2000000;
constexpr uint32_t window_invisible = 0x10000000;
constexpr int32_t default_position = -65535;

extern registry* window_registry;

void window_library_start();
void window_library_stop();

int64_t open_window(int64_t number, int32_t x, int32_t y, int32_t inner_width, int32_t inner_height,
                    const wchar_t* title, int64_t flags, HWND parent = nullptr);
HWND window_handle(int64_t number);
int64_t window_width(int64_t number, int32_t mode);
int64_t window_height(int64_t number, int32_t mode);
inline int64_t window_inner_width(int64_t number) { return window_width(number, 1); }
inline int64_t window_inner_height(int64_t number) { return window_height(number, 1); }
void close_window(int64_t number);
