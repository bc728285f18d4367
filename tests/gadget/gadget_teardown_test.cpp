// A gadget goes with its window: its queued events, bindings, the kind's
// objects and the number, whoever destroys the window.
#include <vector>

#include "test_gadgets.h"

namespace {
int bound_calls;
}

TEST_F(GadgetTest, TeardownDropsOnlyItsOwnEventsAndFreesTheNumber) {
  auto window = (HWND)(intptr_t)create_test_gadget(1, full_kind());
  create_test_gadget(2, full_kind());
  ASSERT_TRUE(bind_event(event_gadget, 0, 1, -1, [] { bound_calls++; }));
  post_event(event_gadget, 1, 0, 0);
  post_event(event_gadget, 2, 0, 0);
  post_event(event_gadget, 1, -1, 7);
  post_event(event_menu, 1, 0, 0);

  release_gadget(1);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(seen.releases, 1);
  EXPECT_EQ(seen.released_window, window);
  EXPECT_EQ(find_object(gadget_registry, 1), nullptr);
  std::vector<std::pair<int32_t, int64_t>> left, expected{{event_gadget, 2}, {event_menu, 1}};
  while (int32_t code = pop_event()) {
    if (code != event_repaint) left.emplace_back(code, current_event().object);
  }
  EXPECT_EQ(left, expected);
  bound_calls = 0;
  post_event(event_gadget, 1, 0, 0);
  EXPECT_EQ(bound_calls, 0) << "the gadget's bindings outlived it";

  set_gadget_text(1, L"gone");
  EXPECT_EQ(seen.set_texts, 0);
  EXPECT_NE(create_test_gadget(1, &plain_kind), 0);
  close_window(0);  // takes the rest with it
  EXPECT_EQ(seen.releases, 2);
  EXPECT_EQ(find_object(gadget_registry, 2), nullptr);
}

TEST_F(GadgetTest, RecreatingANumberLeavesExactlyOneGadget) {
  auto old_window = (HWND)(intptr_t)create_test_gadget(1, full_kind());
  auto new_window = (HWND)(intptr_t)create_test_gadget(1, full_kind());
  EXPECT_FALSE(IsWindow(old_window));
  EXPECT_EQ(seen.released_window, old_window);
  EXPECT_EQ(((gadget_record*)find_object(gadget_registry, 1))->window, new_window);
  int ones = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ones += GetWindowLongPtrW(child, GWLP_ID) == 1;
  }
  EXPECT_EQ(ones, 1);
}

TEST_F(GadgetTest, ReleaseFreesTheNumberEvenWhenTheTeardownCouldNotRun) {
  int64_t id = create_test_gadget(any_number, &plain_kind);
  auto* record = (gadget_record*)find_object(gadget_registry, id);
  SetWindowLongPtrW(record->window, GWLP_WNDPROC, (LONG_PTR)record->previous_procedure);
  DestroyWindow(record->window);
  release_gadget(any_number);  // would meet the dynamic record forever
  EXPECT_EQ(find_object(gadget_registry, id), nullptr);
}
