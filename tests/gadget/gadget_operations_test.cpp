// Attaching, text, resizing, lookups and notifications, for a kind with and
// without its slots filled.
#include "runtime/window/display_scale.h"
#include "test_gadgets.h"

TEST_F(GadgetTest, AttachBindsTheNumberOrTheRecordAddress) {
  auto window = (HWND)(intptr_t)create_test_gadget(1, &plain_kind);
  EXPECT_EQ(GetPropW(window, L"TL_ID"), (HANDLE)1);
  EXPECT_EQ((HFONT)SendMessageW(window, WM_GETFONT, 0, 0), gadget_state->current_font);

  int64_t id = create_test_gadget(any_number, &plain_kind);
  auto* record = (gadget_record*)find_object(gadget_registry, id);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(id, identifier_of(record));
  EXPECT_EQ(GetWindowLongPtrW(record->window, GWLP_ID), id);
  EXPECT_EQ(gadget_from_window(record->window), record);
}

TEST_F(GadgetTest, SetTextGoesToTheSlotOrTheWindowWithoutPostingEvents) {
  auto window = (HWND)(intptr_t)create_test_gadget(2, &plain_kind);
  wchar_t text[8] = {};
  set_gadget_text(2, L"hello");
  GetWindowTextW(window, text, 8);
  EXPECT_STREQ(text, L"hello");

  create_test_gadget(1, full_kind());
  set_gadget_text(1, nullptr);
  ASSERT_EQ(seen.set_texts, 1);
  EXPECT_STREQ(seen.text, L"");
  EXPECT_EQ(pop_event(), 0) << "posted while the text was being set";
  post_event(event_gadget, 1, 0, 0);
  EXPECT_EQ(pop_event(), event_gadget) << "posting still suspended";
}

TEST_F(GadgetTest, ResizeScalesGivenValuesAndKeepsCurrentOnes) {
  auto window = (HWND)(intptr_t)create_test_gadget(1, &plain_kind);
  const int32_t k = keep_current;
  struct {
    int32_t x, y, width, height;
    RECT expected;
  } steps[] = {
      {10, 20, 300, 200, {scale_x(10), scale_y(20), scale_x(10) + scale_x(300), scale_y(20) + scale_y(200)}},
      {k, k, 120, 80, {scale_x(10), scale_y(20), scale_x(10) + scale_x(120), scale_y(20) + scale_y(80)}},
      {30, k, k, k, {scale_x(30), scale_y(20), scale_x(30) + scale_x(120), scale_y(20) + scale_y(80)}},
  };
  for (auto& step : steps) {
    resize_gadget(1, step.x, step.y, step.width, step.height);
    RECT rect = rect_in_parent(window);
    EXPECT_TRUE(EqualRect(&rect, &step.expected)) << rect.left << "," << rect.top << "," << rect.right;
  }

  // A resize slot takes the values as given; get_ slots answer device pixels.
  window = (HWND)(intptr_t)create_test_gadget(2, full_kind());
  resize_gadget(2, k, 5, 6, k);
  EXPECT_EQ(seen.resized[0], k);
  EXPECT_EQ(seen.resized[2], 6);
  default_resize((gadget_record*)find_object(gadget_registry, 2), k, k, k, k);
  RECT rect = rect_in_parent(window), expected{11, 12, 24, 26};
  EXPECT_TRUE(EqualRect(&rect, &expected));
}

TEST_F(GadgetTest, GadgetFromWindowNeedsAgreeingIdentifiers) {
  auto window = (HWND)(intptr_t)create_test_gadget(1, &plain_kind);
  SetWindowLongPtrW(window, GWLP_ID, 2);
  EXPECT_EQ(gadget_from_window(window), nullptr);
  SetWindowLongPtrW(window, GWLP_ID, 1);
  EXPECT_NE(gadget_from_window(window), nullptr);

  // TL_ID 0 reads like no TL_ID: a foreign child with identifier 0 is not gadget 0.
  create_test_gadget(0, &plain_kind);
  HWND foreign = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent, nullptr, runtime.instance, nullptr);
  EXPECT_EQ(gadget_from_window(foreign), nullptr);
}

TEST_F(GadgetTest, ControlNotificationsReachTheNotifySlot) {
  auto handled = (HWND)(intptr_t)create_test_gadget(1, full_kind(), L"BUTTON");
  auto unhandled = (HWND)(intptr_t)create_test_gadget(2, &plain_kind, L"BUTTON");
  EXPECT_EQ(route_gadget_notification(handled, parent, WM_COMMAND, 0, 0), 42);
  EXPECT_EQ(route_gadget_notification(unhandled, parent, WM_COMMAND, 0, 0), not_handled);

  // A notification its gadget handled is no event; one left unhandled is.
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), (LPARAM)handled);
  SendMessageW(parent, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), (LPARAM)unhandled);
  EXPECT_EQ(seen.notify_parent, parent);
  EXPECT_EQ(pop_event(), event_gadget);
  EXPECT_EQ(current_event().object, 2);
  EXPECT_EQ(pop_event(), 0);
}
