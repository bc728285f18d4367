#include "test_gadgets.h"

namespace {
template <int32_t value>
int32_t answer(gadget_record*) { return value; }
}  // namespace

gadget_kind* full_kind() {
  static gadget_kind kind{1001, sizeof(gadget_kind), {}};
  kind.slots[slot_notify] = (void*)+[](gadget_record*, HWND parent, UINT, WPARAM, LPARAM) -> LRESULT {
    seen.notify_parent = parent;
    return 42;
  };
  kind.slots[slot_release] = (void*)+[](gadget_record* record) {
    seen.releases++;
    seen.released_window = record->window;
  };
  kind.slots[slot_set_text] = (void*)+[](gadget_record*, const wchar_t* text) {
    seen.set_texts++;
    seen.text = text;
    post_event(event_gadget, 1, 0, 99);  // a control notifying while its text changes
  };
  kind.slots[slot_resize] = (void*)+[](gadget_record*, int32_t x, int32_t y, int32_t width, int32_t height) {
    seen.resized[0] = x, seen.resized[1] = y, seen.resized[2] = width, seen.resized[3] = height;
  };
  kind.slots[slot_get_x] = (void*)answer<11>;
  kind.slots[slot_get_y] = (void*)answer<12>;
  kind.slots[slot_get_width] = (void*)answer<13>;
  kind.slots[slot_get_height] = (void*)answer<14>;
  return &kind;
}
