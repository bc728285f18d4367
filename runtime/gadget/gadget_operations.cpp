// Binding a control window to its gadget number, and the generic operations
// that dispatch to a kind's slot or do the default.
#include "runtime/core/registry.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"

int64_t attach_gadget(int64_t number, gadget_record* record, HWND window, gadget_kind* kind) {
  record->window = window;
  record->kind = kind;
  record->previous_procedure =
      (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)gadget_subclass_procedure);
  int64_t id = number == any_number ? identifier_of(record) : number;
  SetWindowLongPtrW(window, GWLP_ID, (LONG_PTR)id);
  SetPropW(window, L"TL_ID", (HANDLE)(intptr_t)id);
  if (gadget_state) {
    SendMessageW(window, WM_SETFONT, (WPARAM)gadget_state->current_font, 1);
    gadget_state->further = 0;
  }
  return number == any_number ? id : (int64_t)(intptr_t)window;
}

void set_gadget_text(int64_t number, const wchar_t* text) {
  if (!text) text = L"";
  auto* record = (gadget_record*)find_object(gadget_registry, number);
  if (!record) return;
  // Notifications the control sends while its text changes are no events.
  suspend_events();
  auto set_text = (gadget_set_text_slot)kind_slot(record, slot_set_text);
  if (set_text) {
    set_text(record, text);
  } else {
    SetWindowTextW(record->window, text);
  }
  resume_events();
}

void resize_gadget(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height) {
  auto* record = (gadget_record*)find_object(gadget_registry, number);
  if (!record) return;
  auto resize = (gadget_resize_slot)kind_slot(record, slot_resize);
  if (resize) {
    resize(record, x, y, width, height);
  } else {
    default_resize(record, x, y, width, height);
  }
}

namespace {

// A kept coordinate: the kind's own answer when it gives one, else the
// window's current value in device pixels.
int32_t kept_value(gadget_record* record, gadget_slot slot, LONG current) {
  auto get = (gadget_get_slot)kind_slot(record, slot);
  return get ? get(record) : current;
}

}  // namespace

void default_resize(gadget_record* record, int32_t x, int32_t y, int32_t width, int32_t height) {
  HWND window = record->window;
  RECT current{};
  if (x == keep_current || y == keep_current || width == keep_current || height == keep_current) {
    GetWindowRect(window, &current);
    MapWindowPoints(nullptr, GetParent(window), (POINT*)&current, 2);
  }
  int32_t left = x == keep_current ? kept_value(record, slot_get_x, current.left) : scale_x(x);
  int32_t top = y == keep_current ? kept_value(record, slot_get_y, current.top) : scale_y(y);
  int32_t pixel_width =
      width == keep_current ? kept_value(record, slot_get_width, current.right - current.left) : scale_x(width);
  int32_t pixel_height =
      height == keep_current ? kept_value(record, slot_get_height, current.bottom - current.top) : scale_y(height);
  MoveWindow(window, left, top, pixel_width, pixel_height, TRUE);
  InvalidateRect(window, nullptr, FALSE);
  if (record->kind && record->kind->kind_code == 1) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
  }
}
