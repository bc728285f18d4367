// The gadget library's start and stop steps, its registry and the lookups
// from a window handle back to its gadget.
#include "runtime/gadget/gadget.h"

#include <commctrl.h>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/gadget/web_view.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"

registry* gadget_registry;
gadget_state_record* gadget_state;
HFONT default_gadget_font;
CRITICAL_SECTION gadget_lock;

namespace {

// NONCLIENTMETRICSW without its last field (iPaddedBorderWidth): the size that
// every system version accepts.
constexpr UINT metrics_size_without_padded_border = 500;

void initialise_gadget_state(void* block) {
  auto* state = (gadget_state_record*)block;
  state->current_font = default_gadget_font;
  state->container_stack =
      (HWND*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, container_stack_capacity * sizeof(HWND));
  state->capacity = container_stack_capacity;
}

HFONT create_default_gadget_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = metrics_size_without_padded_border;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics_size_without_padded_border, &metrics, 0)) {
    return (HFONT)GetStockObject(DEFAULT_GUI_FONT);
  }
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  return font ? font : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}

}  // namespace

void gadget_library_start() {
  InitializeCriticalSection(&gadget_lock);
  default_gadget_font = create_default_gadget_font();
  gadget_registry = create_registry(sizeof(gadget_record), 50, release_gadget);
  gadget_state = (gadget_state_record*)new_library_state(sizeof(gadget_state_record), initialise_gadget_state);
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                               ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                                   ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&classes);
}

void gadget_library_stop() {
  // The next stop step uninitialises OLE, and a gadget's teardown still needs
  // it: a web view releases its browser's COM objects, a drop target is
  // revoked. So gadgets go here rather than later with their windows.
  if (gadget_registry) release_gadget(any_number);
  // An environment asked for ahead of a web view that never came.
  release_web_view_environment();
  if (gadget_state && gadget_state->auxiliary_window) {
    DestroyWindow(gadget_state->auxiliary_window);
    gadget_state->auxiliary_window = nullptr;
  }
  // An unscaled font is left to the end of the process; a scaled one goes
  // here. The gadgets torn down after this step do not paint again.
  if (display_scale.factor_x == 1.0 && display_scale.factor_y == 1.0) return;
  DeleteObject(default_gadget_font);
  // No handle to a deleted font stays behind for a gadget attached later.
  default_gadget_font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
  if (gadget_state) gadget_state->current_font = default_gadget_font;
}

void release_gadget(int64_t number) {
  if (number == any_number) {
    release_all(gadget_registry);
    return;
  }
  auto* record = (gadget_record*)find_object(gadget_registry, number);
  if (!record) return;
  // The teardown in the subclass procedure releases the slot.
  DestroyWindow(record->window);
  // When it could not run (the window was already gone, or belongs to another
  // thread), the number must still end up free: obtain_slot expects that, and
  // release_all would otherwise meet the same dynamic record forever.
  if (find_object(gadget_registry, number)) release_slot(gadget_registry, number);
}

gadget_record* gadget_from_window(HWND window) {
  auto id = (int64_t)(intptr_t)GetPropW(window, L"TL_ID");
  if (id != (int64_t)GetWindowLongPtrW(window, GWLP_ID)) return nullptr;
  auto* record = (gadget_record*)find_object(gadget_registry, id);
  // Gadget 0 stores TL_ID 0, which reads the same as no property at all: a
  // foreign child with control identifier 0 must not pass for it.
  if (!record || record->window != window) return nullptr;
  return record;
}

HWND top_window_of(HWND window) {
  HWND w = window;
  for (;;) {
    HWND parent = GetParent(w);
    if (!parent || GetPropW(w, L"TL_WindowID")) return w;
    w = parent;
  }
}

LRESULT route_gadget_notification(HWND control, HWND receiving, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!control) return not_handled;
  gadget_record* record = gadget_from_window(control);
  if (!record) return not_handled;
  auto notify = (gadget_notify_slot)kind_slot(record, slot_notify);
  return notify ? notify(record, receiving, message, wparam, lparam) : not_handled;
}
