// Numbered top-level windows: creation with a class of their own, lookup
// and destruction.
#include <cwchar>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/window/window_state.h"

registry* window_registry;
window_library_record* window_state;

namespace {
constexpr int32_t window_slots = 16;
// Flag word bits that never reach CreateWindowExW: show without activation,
// tool window and the two centring options.
constexpr uint32_t style_mask = 0xFDFFFFF8;
constexpr uint32_t option_bits = window_centre_screen | window_centre_parent | window_tool;
// A flag word made of nothing but these asks for a plain window with a title bar.
constexpr uint32_t bits_without_style =
    window_centre_screen | window_centre_parent | window_keep_gadget_list | window_invisible;
// A tool window has neither minimize nor maximize box and never starts in either state.
constexpr uint32_t tool_window_removed = WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

void register_window_class(const wchar_t* name) {
  WNDCLASSW cls{};
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = window_class_procedure;
  cls.hInstance = runtime.instance;
  cls.hIcon = window_state ? window_state->application_icon : nullptr;
  cls.hCursor = window_state ? window_state->arrow_cursor : nullptr;
  cls.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  cls.lpszClassName = name;
  RegisterClassW(&cls);
}

int show_command(uint32_t style, bool activate) {
  if (style & WS_MAXIMIZE) return activate ? SW_SHOWMAXIMIZED : SW_SHOWNA;
  if (style & WS_MINIMIZE) return activate ? SW_SHOWMINIMIZED : SW_SHOWMINNOACTIVE;
  return activate ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE;
}
}  // namespace

void window_class_name(wchar_t (&name)[class_name_length], int64_t number) {
  swprintf(name, class_name_length, L"WindowClass_%lld", (long long)number);
}

void window_library_start() {
  window_registry = create_registry(sizeof(window_record), window_slots, close_window);
  window_state = (window_library_record*)new_library_state(sizeof(window_library_record), nullptr);
  if (!window_state) return;
  window_state->application_icon = LoadIconW(runtime.instance, MAKEINTRESOURCEW(1));
  window_state->arrow_cursor = LoadCursorW(nullptr, IDC_ARROW);
}

void window_library_stop() {
  close_window(any_number);
  if (window_state && window_state->application_icon) DestroyIcon(window_state->application_icon);
}

int64_t open_window(int64_t number, int32_t x, int32_t y, int32_t inner_width, int32_t inner_height,
                    const wchar_t* title, int64_t flags, HWND parent) {
  auto* record = (window_record*)obtain_slot(window_registry, number);
  if (!record) return 0;
  bool dynamic = number == any_number;
  if (dynamic) number = identifier_of(record);
  wchar_t class_name[class_name_length];
  window_class_name(class_name, number);
  register_window_class(class_name);

  uint32_t f = (uint32_t)flags;
  uint32_t style = f & ~window_keep_gadget_list;
  if (!(f & ~bits_without_style)) style |= WS_CAPTION;
  bool hidden = style & window_invisible;
  style &= ~window_invisible;
  bool activate = !(style & window_no_activate);
  DWORD extended = 0;
  if (style & window_tool) {
    style = (style & ~tool_window_removed) | WS_CAPTION;
    extended = WS_EX_TOOLWINDOW;
  }

  RECT outer = {0, 0, scale_x(inner_width), scale_y(inner_height)};
  AdjustWindowRectEx(&outer, style & ~option_bits, FALSE, extended);
  bool default_place = x == default_position || (y == default_position && !(style & (window_centre_screen | window_centre_parent)));
  int left = default_place ? CW_USEDEFAULT : scale_x(x);
  int top = default_place ? CW_USEDEFAULT : scale_y(y);

  HWND window = CreateWindowExW(extended, class_name, title ? title : L"", style & style_mask, left, top,
                                outer.right - outer.left, outer.bottom - outer.top, parent, nullptr,
                                runtime.instance, nullptr);
  if (!window) {
    UnregisterClassW(class_name, runtime.instance);
    release_slot(window_registry, number);
    return 0;
  }
  record->handle = window;
  record->ready = 0;
  SetPropW(window, L"TL_WindowID", (HANDLE)(intptr_t)(number + 1));

  if (f & (window_centre_screen | window_centre_parent)) {
    centre_window(window, f, parent);
  } else if (!default_place) {
    // Composition adds its invisible border at the sides and the bottom only, so y stays.
    SetWindowPos(window, nullptr, left - frame_offset(record), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!hidden) ShowWindow(window, show_command(style, activate));
  // The activation runs event bindings, and one of them may have closed the
  // window already; its record is gone then (freed, for any_number).
  if (window_handle(number) != window) return 0;
  record->state = (style & (WS_MINIMIZE | WS_MAXIMIZE)) ? 1 : 0;
  create_window_accelerators(record);
  if (!(f & window_keep_gadget_list)) switch_gadget_list(window);
  record->ready = 1;
  return dynamic ? number : (int64_t)(intptr_t)window;
}

HWND window_handle(int64_t number) {
  window_record* record = find_window(number);
  return record ? record->handle : nullptr;
}

void close_window(int64_t number) {
  if (number == any_number) {
    release_all(window_registry);
    return;
  }
  window_record* record = find_window(number);
  if (!record) return;
  HWND window = record->handle;
  // Bindings go first: the deactivation below would otherwise still run them.
  remove_window_bindings(number);
  if (HWND owner = GetWindow(window, GW_OWNER)) SetActiveWindow(owner);
  DestroyWindow(window);
  // Only now, with its window gone, can the window's own class go too;
  // during WM_NCDESTROY the system still counts the window as a user.
  wchar_t class_name[class_name_length];
  window_class_name(class_name, number);
  UnregisterClassW(class_name, runtime.instance);
  remove_window_events(number);
}
