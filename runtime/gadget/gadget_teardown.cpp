// Every gadget window runs through this procedure: messages go to the
// control's own procedure first, and the gadget is torn down when its window
// is destroyed, whoever destroyed it.
#include "runtime/gadget/gadget.h"

#include <ole2.h>

#include "runtime/core/registry.h"
#include "runtime/window/events.h"

namespace {

// The runtime window number the gadget's events carry, -1 when the gadget
// sits in no runtime window.
int64_t window_number_of(HWND window) {
  auto property = (int64_t)(intptr_t)GetPropW(top_window_of(window), L"TL_WindowID");
  return property - 1;
}

void tear_down(gadget_record* record, HWND window, int64_t id) {
  remove_bindings(event_gadget, window_number_of(window), id);
  auto release = (gadget_release_slot)kind_slot(record, slot_release);
  if (release) release(record);
  RemovePropW(window, L"TL_ID");
  if (RemovePropW(window, L"TL_DropAccept")) RevokeDragDrop(window);
  SetWindowLongPtrW(window, GWLP_ID, -1);
  remove_events(event_gadget, id, -1, -1);
  release_slot(gadget_registry, id);
}

}  // namespace

LRESULT CALLBACK gadget_subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto id = (int64_t)GetWindowLongPtrW(window, GWLP_ID);
  if (id == -1) return DefWindowProcW(window, message, wparam, lparam);
  auto* record = (gadget_record*)find_object(gadget_registry, id);
  if (!record || record->window != window) {
    // The number no longer leads to this window (its record was released
    // behind its back), so the record's saved procedure is not this window's.
    // The class procedure is the control's own; there is nothing to tear down.
    auto own = (WNDPROC)GetClassLongPtrW(window, GCLP_WNDPROC);
    return CallWindowProcW(own, window, message, wparam, lparam);
  }
  LRESULT result = CallWindowProcW(record->previous_procedure, window, message, wparam, lparam);
  if (message == WM_NCDESTROY) tear_down(record, window, id);
  return result;
}
