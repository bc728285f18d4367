// Gadget lists: each window keeps its list state while another is current,
// and frees it with its destruction.
#include <string>

#include "test_gadgets.h"

namespace {
bool heap_block_in_use(void* block) {
  PROCESS_HEAP_ENTRY entry{};
  bool in_use = false;
  while (HeapWalk(runtime.heap, &entry)) in_use |= entry.lpData == block && (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY);
  return in_use;
}
}  // namespace

TEST_F(GadgetTest, SwitchingSavesAndRestoresEachWindowsList) {
  std::wstring name = L"TL_GadgetStack_" + std::to_wstring((intptr_t)runtime.instance);
  EXPECT_EQ(GetPropW(parent, name.c_str()), gadget_list_of(parent));
  auto other = (HWND)(intptr_t)open_window(1, 0, 0, 200, 100, L"other", 0xC80000);
  ASSERT_EQ(switch_gadget_list(parent), other);
  // A container open in window 0: the bottom of the stack is the window.
  HWND container = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent, nullptr, runtime.instance, nullptr);
  HWND* stack = gadget_state->container_stack;
  stack[0] = parent;
  gadget_state->depth = 1;
  gadget_state->current_gadget_list = container;

  EXPECT_EQ(switch_gadget_list(other), parent);
  EXPECT_EQ(gadget_state->depth, 0);
  EXPECT_NE(gadget_state->container_stack, stack);
  EXPECT_EQ(switch_gadget_list(nullptr), other);
  EXPECT_EQ(switch_gadget_list(parent), other);
  EXPECT_EQ(gadget_state->current_gadget_list, container);
  EXPECT_EQ(gadget_state->container_stack, stack);
  EXPECT_EQ(gadget_list_of(parent)->saved_container_stack, nullptr);
  gadget_state->depth = 0;
}

TEST_F(GadgetTest, DestroyedListWindowsFreeTheirRecords) {
  gadget_list_record* saved = gadget_list_of(parent);
  auto current = (HWND)(intptr_t)open_window(1, 0, 0, 200, 100, L"current", 0xC80000);
  ASSERT_TRUE(heap_block_in_use(saved->saved_container_stack));
  HWND* saved_stack = saved->saved_container_stack;
  close_window(0);
  EXPECT_FALSE(heap_block_in_use(saved) || heap_block_in_use(saved_stack));
  EXPECT_EQ(gadget_state->current_gadget_list, current);

  gadget_list_record* list = gadget_list_of(current);
  close_window(1);
  EXPECT_FALSE(heap_block_in_use(list));
  EXPECT_EQ(switch_gadget_list(nullptr), nullptr);
  EXPECT_EQ(window_handle(1), nullptr) << "the window's own procedure missed WM_NCDESTROY";
}
