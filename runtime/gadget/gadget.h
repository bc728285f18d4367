#pragma once
// Gadgets: child controls of runtime windows, addressed by number, with a
// table of per-kind operations. Generic code calls a filled slot and
// otherwise does a default.
#include <windows.h>
#include <cstdint>

struct registry;
struct gadget_kind;

struct gadget_record {
  HWND window;                 // non-zero while the gadget lives
  gadget_kind* kind;
  WNDPROC previous_procedure;
  intptr_t data0, data1, data2;  // owned by the kind
};

using gadget_notify_slot = LRESULT (*)(gadget_record*, HWND parent, UINT, WPARAM, LPARAM);
using gadget_release_slot = void (*)(gadget_record*);
using gadget_set_text_slot = void (*)(gadget_record*, const wchar_t*);
using gadget_resize_slot = void (*)(gadget_record*, int32_t x, int32_t y, int32_t width, int32_t height);
using gadget_set_item_text_slot = void (*)(gadget_record*, int64_t item, const wchar_t*);
using gadget_get_slot = int32_t (*)(gadget_record*);
using gadget_native_object_slot = void* (*)(gadget_record*, int64_t which);
using gadget_set_focus_slot = void (*)(gadget_record*);

struct gadget_kind {
  int32_t kind_code;
  int32_t table_size;
  void* slots[40];
};
// table_size holds this size; kinds fill it in.
static_assert(sizeof(gadget_kind) == 328);

// Slot positions.
enum gadget_slot : int {
  slot_notify = 0,
  slot_release = 1,
  slot_set_text = 5,
  slot_resize = 10,
  slot_set_item_text = 15,
  slot_get_x = 17,
  slot_get_y = 18,
  slot_get_width = 19,
  slot_get_height = 20,
  slot_native_object = 24,
  slot_set_focus = 35,
};

// The operation in a gadget's slot, or null when its kind leaves it empty.
inline void* kind_slot(const gadget_record* record, gadget_slot slot) {
  return record->kind ? record->kind->slots[slot] : nullptr;
}

// A coordinate given to resize_gadget that keeps its current value.
constexpr int32_t keep_current = -65535;

struct gadget_state_record {
  HWND current_gadget_list;
  int32_t further;             // reset by attach_gadget and switch_gadget_list
  HFONT current_font;
  HWND* container_stack;
  int32_t depth;
  int32_t capacity;
  HWND auxiliary_window;
};

// Entries of a new container stack, and its capacity.
constexpr int32_t container_stack_capacity = 10;

// One per window that has been a current gadget list, kept in its
// "TL_GadgetStack_<module instance>" property: what the gadget state held
// while the window was current, saved when another window became current.
struct gadget_list_record {
  HWND window;
  HWND saved_gadget_list;
  HWND* saved_container_stack;
  int32_t saved_depth;
  int32_t saved_capacity;
  WNDPROC previous_procedure;
};

extern registry* gadget_registry;
extern gadget_state_record* gadget_state;
extern HFONT default_gadget_font;
// Initialised at start-up in any build; only a build with thread safety on would take it.
extern CRITICAL_SECTION gadget_lock;

void gadget_library_start();
// Releases every gadget while OLE is still initialised (it runs right before
// OleUninitialize) and a prepared web view environment, then the auxiliary
// window and a scaled default font.
void gadget_library_stop();

int64_t attach_gadget(int64_t number, gadget_record* record, HWND window, gadget_kind* kind);
void set_gadget_text(int64_t number, const wchar_t* text);
void resize_gadget(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height);
void default_resize(gadget_record* record, int32_t x, int32_t y, int32_t width, int32_t height);
gadget_record* gadget_from_window(HWND window);
HWND top_window_of(HWND window);
void release_gadget(int64_t number);
LRESULT CALLBACK gadget_subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Routes a control notification to its gadget kind's notify slot; not_handled
// for a null window, no gadget or no notify slot.
LRESULT route_gadget_notification(HWND control, HWND receiving, UINT message, WPARAM wparam, LPARAM lparam);

// Gadget lists: the window into which new gadgets are created.
HWND switch_gadget_list(HWND window);
gadget_list_record* gadget_list_of(HWND window);
LRESULT CALLBACK gadget_list_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
