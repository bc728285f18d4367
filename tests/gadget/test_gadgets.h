#pragma once
// A gadget kind of the tests' own over a standard control, and a fixture that
// opens runtime window 0, the current gadget list, for every test.
#include <gtest/gtest.h>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"
#include "support/gui_environment.h"

// What the full kind's slots saw.
struct slot_calls {
  int releases, set_texts;
  HWND released_window, notify_parent;
  const wchar_t* text;
  int32_t resized[4];
};
inline slot_calls seen;

inline gadget_kind plain_kind{1000, sizeof(gadget_kind), {}};
// notify answers 42, set_text posts a gadget event, get_x..get_height answer 11..14.
gadget_kind* full_kind();

// What a kind's creation function does: the control in the current gadget
// list with identifier -1, then the record, then attach_gadget.
inline int64_t create_test_gadget(int64_t number, gadget_kind* kind, const wchar_t* control_class = L"STATIC") {
  HWND window = CreateWindowExW(0, control_class, L"", WS_CHILD | WS_VISIBLE, 5, 6, 50, 20,
                                gadget_state->current_gadget_list, (HMENU)(intptr_t)-1, runtime.instance, nullptr);
  auto* record = window ? (gadget_record*)obtain_slot(gadget_registry, number) : nullptr;
  return record ? attach_gadget(number, record, window, kind) : 0;
}

inline RECT rect_in_parent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), (POINT*)&rect, 2);
  return rect;
}

class GadgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = (HWND)(intptr_t)open_window(0, 10, 10, 400, 300, L"gadgets", 0xC80000);
    while (pop_event()) {
    }
    seen = {};
  }
  void TearDown() override { close_window(any_number); }
  HWND parent = nullptr;
};
