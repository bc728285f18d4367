// The class procedure of runtime windows: turns their messages into events.
#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/event_state.h"
#include "runtime/window/window_state.h"

namespace {
constexpr LONG_PTR menu_control_id = -10000;
constexpr UINT gadget_routed_message = 13120;

struct runtime_window {
  HWND window;     // the window carrying "TL_WindowID", or none
  int64_t number;  // -1 when the message's window is not (yet) a runtime window
  window_record* record;
};

// The runtime window a message belongs to: the window itself or the
// nearest ancestor that carries the runtime's window number.
runtime_window find_runtime_window(HWND window) {
  for (HWND w = window; w; w = GetParent(w)) {
    auto id = (intptr_t)GetPropW(w, L"TL_WindowID");
    if (!id) continue;
    if ((HINSTANCE)GetWindowLongPtrW(w, GWLP_HINSTANCE) != runtime.instance) break;
    return {w, id - 1, find_window(id - 1)};
  }
  return {nullptr, -1, nullptr};
}

void post_window_event(int32_t code, int64_t number) { post_event(code, 0, number, 0); }

// A message sent from another thread or process is handled inside
// GetMessageW, which would go on waiting with the event queued; a posted
// message ends the wait.
void end_wait_for_events() {
  if (event_state) PostMessageW(event_state->poster, event_state->unlock_message, 0, 0);
}

LRESULT on_size(HWND window, const runtime_window& rw, WPARAM kind) {
  if (rw.window && window != rw.window) return 1;
  if (!rw.record || !rw.record->ready) return not_handled;
  switch (kind) {
    case SIZE_MINIMIZED:
      rw.record->state = 1;
      post_window_event(event_minimize, rw.number);
      break;
    case SIZE_MAXIMIZED:
      // Older size events stay: a maximize may leave two of them queued.
      rw.record->state = 1;
      post_window_event(event_maximize, rw.number);
      post_window_event(event_size, rw.number);
      break;
    case SIZE_RESTORED:
      if (rw.record->state == 1) {
        rw.record->state = 0;
        post_window_event(event_restore, rw.number);
      }
      [[fallthrough]];
    default:
      // A drag-resize sends a stream of these; only the newest size counts.
      remove_events(event_size, 0, rw.number, 0);
      post_window_event(event_size, rw.number);
  }
  // Sized from outside (another program placing the window): nothing else
  // may come to wake the wait, a window made smaller is not even repainted.
  if (InSendMessage()) end_wait_for_events();
  return 0;
}

LRESULT on_activate(HWND window, int64_t number, WPARAM wparam) {
  if (LOWORD(wparam)) {
    if (auto focus = (HWND)GetPropW(window, L"TL_Focus")) SetFocus(focus);
    post_window_event(event_activate, number);
  } else {
    SetPropW(window, L"TL_Focus", GetFocus());
    show_keyboard_cues(window, false);
    post_window_event(event_deactivate, number);
  }
  return 1;
}

void on_close(int64_t number) {
  post_event(event_close, number, number, 0);
  end_wait_for_events();
}

BOOL CALLBACK pass_colour_change(HWND child, LPARAM) {
  SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

void limit_tracking_size(HWND window, const window_record* record, MINMAXINFO* info) {
  RECT frame = {0, 0, 0, 0};
  auto extended = (DWORD)GetWindowLongPtrW(window, GWL_EXSTYLE);
  AdjustWindowRectEx(&frame, (DWORD)GetWindowLongPtrW(window, GWL_STYLE), FALSE, extended);
  int frame_width = frame.right - frame.left, frame_height = frame.bottom - frame.top;
  if (record->minimum_width) info->ptMinTrackSize.x = record->minimum_width + frame_width;
  else if (extended & WS_EX_TOOLWINDOW) info->ptMinTrackSize.x = 1;
  if (record->minimum_height) info->ptMinTrackSize.y = record->minimum_height + frame_height;
  if (record->maximum_width) info->ptMaxTrackSize.x = record->maximum_width + frame_width;
  if (record->maximum_height) info->ptMaxTrackSize.y = record->maximum_height + frame_height;
}

// The last message a runtime window receives: everything that open_window
// attached to it goes, and its number is free again.
void tear_down(HWND window) {
  int64_t number = (intptr_t)GetPropW(window, L"TL_WindowID") - 1;
  remove_window_bindings(number);
  RemovePropW(window, L"TL_Focus");
  RemovePropW(window, L"TL_WindowID");
  // The number may already belong to a newer window; that record stays.
  window_record* record = find_window(number);
  if (record && record->handle == window) {
    if (record->accelerator_entries) {
      HeapFree(runtime.heap, 0, record->accelerator_entries);
      DestroyAcceleratorTable(record->accelerator_table);
    }
    release_slot(window_registry, number);
  }
  remove_window_events(number);
}

void on_command(HWND window, int64_t number, WPARAM wparam, LPARAM lparam) {
  auto control = (HWND)lparam;
  if (route_gadget_notification(control, window, WM_COMMAND, wparam, lparam) != not_handled) return;
  if (control) {
    LONG_PTR id = GetWindowLongPtrW(control, GWLP_ID);
    if (id == menu_control_id) post_event(event_menu, LOWORD(wparam), number, 0);
    else post_event(event_gadget, id, number, HIWORD(wparam));
  } else if (HIWORD(wparam) == 0) {
    post_event(event_menu, (int64_t)wparam, number, 0);
  } else if (LOWORD(wparam) == command_next_tab_stop) {
    move_focus(false);
  } else if (LOWORD(wparam) == command_previous_tab_stop) {
    move_focus(true);
  } else {
    post_event(event_menu, LOWORD(wparam), number, 0);
  }
}
}  // namespace

LRESULT CALLBACK window_class_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = window_message_handler(window, message, wparam, lparam);
  SetLastError(0);
  return result == not_handled ? DefWindowProcW(window, message, wparam, lparam) : result;
}

LRESULT window_message_handler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  runtime_window rw = find_runtime_window(window);
  bool own = rw.record && window == rw.record->handle;
  switch (message) {
    case WM_MOVE:
      if (own && rw.record->ready) post_event(event_move, rw.number, rw.number, 0);
      return 0;
    case WM_SIZE:
      return on_size(window, rw, wparam);
    case WM_ACTIVATE:
      return on_activate(window, rw.number, wparam);
    case WM_CLOSE:
      // Never left to DefWindowProcW: only close_window destroys a runtime window.
      if (own) on_close(rw.number);
      return 0;
    case WM_ERASEBKGND:
      post_window_event(event_repaint, rw.number);
      return not_handled;
    case WM_SYSCOLORCHANGE:
      if (rw.record) EnumChildWindows(window, pass_colour_change, 0);
      return not_handled;
    case WM_GETMINMAXINFO:
      if (!rw.record) return not_handled;
      limit_tracking_size(window, rw.record, (MINMAXINFO*)lparam);
      return 0;
    case WM_NOTIFY:
      return route_gadget_notification(lparam ? ((NMHDR*)lparam)->hwndFrom : nullptr, window, message, wparam, lparam);
    case WM_NCDESTROY:
      if (GetPropW(window, L"TL_WindowID")) tear_down(window);
      return 1;
    case WM_COMMAND:
      on_command(window, rw.number, wparam, lparam);
      return 0;
    case WM_TIMER:
      if (rw.record) post_event(event_timer, (int64_t)wparam, rw.number, 0);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case gadget_routed_message:
      return route_gadget_notification((HWND)lparam, window, message, wparam, lparam);
    case WM_LBUTTONUP:
      post_window_event(event_left_click, rw.number);
      return 0;
    case WM_LBUTTONDBLCLK:
      post_window_event(event_left_double_click, rw.number);
      return 0;
    case WM_RBUTTONUP:
      post_window_event(event_right_click, rw.number);
      return 0;
    default:
      return not_handled;
  }
}
