// Gadget lists: the window into which new gadgets are created. Every window
// that has been one keeps a record of its own list state, so that switching
// back to it restores its container stack.
#include "runtime/gadget/gadget.h"

#include <cwchar>

#include "runtime/core/runtime_globals.h"

namespace {

// "TL_GadgetStack_" followed by the module instance in decimal.
struct list_property_name {
  wchar_t text[48];
  list_property_name() {
    swprintf(text, sizeof text / sizeof text[0], L"TL_GadgetStack_%I64i", (int64_t)(intptr_t)runtime.instance);
  }
};

// The window whose list state the gadget state holds: while containers are
// open, the bottom of the stack is the window and the current list a container.
HWND list_window() {
  if (gadget_state->depth && gadget_state->container_stack) return gadget_state->container_stack[0];
  return gadget_state->current_gadget_list;
}

void save_list_state(gadget_list_record* list) {
  list->saved_gadget_list = gadget_state->current_gadget_list;
  list->saved_container_stack = gadget_state->container_stack;
  list->saved_depth = gadget_state->depth;
  list->saved_capacity = gadget_state->capacity;
  gadget_state->container_stack = nullptr;
}

void restore_list_state(gadget_list_record* list) {
  if (gadget_state->container_stack) HeapFree(runtime.heap, 0, gadget_state->container_stack);
  gadget_state->current_gadget_list = list->saved_gadget_list;
  gadget_state->container_stack = list->saved_container_stack;
  gadget_state->depth = list->saved_depth;
  gadget_state->capacity = list->saved_capacity;
  list->saved_container_stack = nullptr;
}

void start_list(HWND window) {
  if (!gadget_state->container_stack) {
    gadget_state->container_stack =
        (HWND*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, container_stack_capacity * sizeof(HWND));
    gadget_state->capacity = container_stack_capacity;
  }
  gadget_state->depth = 0;
  gadget_state->current_gadget_list = window;
  auto* list = (gadget_list_record*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(gadget_list_record));
  if (!list) return;
  list->window = window;
  // Without its record the window must keep its own procedure: the list
  // procedure would otherwise have nothing to pass its messages on to.
  if (!SetPropW(window, list_property_name().text, list)) {
    HeapFree(runtime.heap, 0, list);
    return;
  }
  list->previous_procedure = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)gadget_list_procedure);
}

void forget_list(HWND window, gadget_list_record* list) {
  if (window == list_window()) {
    gadget_state->current_gadget_list = nullptr;
    gadget_state->depth = 0;
  }
  if (list->saved_container_stack) HeapFree(runtime.heap, 0, list->saved_container_stack);
  RemovePropW(window, list_property_name().text);
  HeapFree(runtime.heap, 0, list);
}

}  // namespace

gadget_list_record* gadget_list_of(HWND window) {
  return (gadget_list_record*)GetPropW(window, list_property_name().text);
}

HWND switch_gadget_list(HWND window) {
  // Without its state (out of memory at start-up) the library has no lists.
  if (!gadget_state) return nullptr;
  HWND previous = list_window();
  if (!window) return previous;
  // A previous list without a record keeps its stack in the gadget state,
  // where the next list takes it over instead of leaking it.
  gadget_list_record* saved = previous ? gadget_list_of(previous) : nullptr;
  if (saved) save_list_state(saved);
  gadget_list_record* list = gadget_list_of(window);
  if (list) {
    restore_list_state(list);
  } else {
    start_list(window);
  }
  gadget_state->further = 0;
  return previous;
}

LRESULT CALLBACK gadget_list_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  gadget_list_record* list = gadget_list_of(window);
  if (!list) return DefWindowProcW(window, message, wparam, lparam);
  // Read before the record goes with WM_NCDESTROY: the window's own procedure
  // still has to see that message.
  WNDPROC previous = list->previous_procedure;
  if (message == WM_NCDESTROY) forget_list(window, list);
  return CallWindowProcW(previous, window, message, wparam, lparam);
}
