#pragma once
// The event queue: window procedures turn messages into numbered events, the
// program takes them one at a time with wait_window_event.
#include <windows.h>
#include <cstdint>

// Event codes.
constexpr int32_t event_gadget = 13100;
constexpr int32_t event_menu = 13101;
constexpr int32_t event_activate = 13104;
constexpr int32_t event_minimize = 13107;
constexpr int32_t event_maximize = 13108;
constexpr int32_t event_restore = 13109;
constexpr int32_t event_timer = 13110;
constexpr int32_t event_right_click = 13111;
constexpr int32_t event_left_click = 13112;
constexpr int32_t event_left_double_click = 13113;
constexpr int32_t event_deactivate = 13114;
constexpr int32_t event_repaint = 13115;
constexpr int32_t event_close = 13116;
constexpr int32_t event_move = 13117;
constexpr int32_t event_size = 13118;

// Returned by message handlers that leave a message to default processing.
constexpr LRESULT not_handled = (LRESULT)(int64_t)(int32_t)0xD0D0D0D1;

// Event flags.
constexpr uint32_t event_while_suspended = 0x1;
constexpr uint32_t event_bind_on_pop = 0x2;
constexpr uint32_t event_to_main_thread = 0x4;

using event_data_release = void (*)(int64_t data);

void event_library_start();
void event_library_stop();

int64_t wait_window_event();
int64_t wait_window_event_timeout(int32_t milliseconds);
void post_event(int32_t code, int64_t object, int64_t window, int64_t type);
void post_event_ex(int32_t code, int64_t object, int64_t window, int64_t type, int64_t data,
                   event_data_release release, uint32_t flags);
int32_t pop_event();
void remove_events(int32_t code, int64_t object, int64_t window, int64_t type);
void remove_window_events(int64_t window);
void suspend_events();
void resume_events();

// Event bindings: callbacks keyed by "%d:%I64d:%I64d" (code, window, object).
using event_callback = void (*)();
// Adds a callback at the end of the chain of (code, window, object); it runs
// for events of that key whose type equals type_filter, or any type with -1.
// False when memory is short.
bool bind_event(int32_t code, int64_t window, int64_t object, int64_t type_filter, event_callback callback);
void dispatch_bindings(int32_t code, int64_t window, int64_t object, int64_t type);
void run_bindings(int32_t code, int64_t window, int64_t object, int64_t type_filter);
// Removes every callback bound under the key of (code, window, object), and the key.
void remove_bindings(int32_t code, int64_t window, int64_t object);
// Removes every binding of the window, whatever its code and object.
void remove_window_bindings(int64_t window);

LRESULT CALLBACK window_class_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT window_message_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HACCEL active_accelerators(HWND active);
void move_focus(bool backwards);
void show_keyboard_cues(HWND window, bool show);

// The current event, as the last pop_event left it.
struct current_event_record {
  int32_t code;
  int64_t window;
  int64_t object;
  int64_t type;
  int64_t data;
  event_data_release release;
};
const current_event_record& current_event();
