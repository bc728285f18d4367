// Window messages turned into events by the class procedure of runtime windows.
#include "window_test_support.h"

namespace {
using WindowMessages = window_test;

const std::initializer_list<int32_t> size_events = {event_minimize, event_maximize, event_restore, event_size};

HWND open_and_settle(int64_t flags) {
  auto window = (HWND)open_window(0, 50, 60, 400, 300, L"messages", flags);
  drain();
  return window;
}

TEST_F(WindowMessages, ActivateEventIsQueuedWhenOpenWindowReturns) {
  open_window(0, 50, 60, 400, 300, L"active", 0xC80000);
  // Moves and sizes during creation come before the window is ready.
  EXPECT_EQ(queued_codes({event_activate, event_move, event_size}), std::vector<int32_t>{event_activate});
}

TEST_F(WindowMessages, CloseButtonQueuesTheCloseEventAndLeavesTheWindowOpen) {
  HWND window = open_and_settle(0xC80000);
  RECT r{};
  GetWindowRect(window, &r);
  POINT button{-1, -1};
  for (int x = r.right - 1; x > r.right - 80 && button.x < 0; x -= 2)
    for (int y = r.top; y < r.top + 40 && button.x < 0; y += 2)
      if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) button = {x - 2, y + 2};
  ASSERT_GE(button.x, 0);
  // The press starts the system's button tracking, which takes the release
  // from the queue; both carry the cursor position, so the cursor goes there.
  SetCursorPos(button.x, button.y);
  post_event(13112, 0, 0, 0);
  PostMessageW(window, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(button.x, button.y));
  PostMessageW(window, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(wait_window_event(), 13112);
  EXPECT_EQ(wait_window_event(), WM_NCLBUTTONDOWN);
  EXPECT_EQ(wait_window_event(), event_close);
  EXPECT_EQ(current_event().object, 0);
  EXPECT_EQ(window_handle(0), window);
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(WindowMessages, ABurstOfSizesLeavesExactlyOneSizeEvent) {
  HWND window = open_and_settle(0xC40000);
  for (int i = 0; i < 12; i++) SetWindowPos(window, nullptr, 0, 0, 420 + 10 * i, 320 + 5 * i, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(queued_codes(size_events), std::vector<int32_t>{event_size});
  EXPECT_EQ(queued_events().back(), (queued_event{event_size, 0, 0, 0}));
}

TEST_F(WindowMessages, MaximizeMinimizeAndRestore) {
  HWND window = open_and_settle(0xCF0000);
  SetWindowPos(window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(window, SW_MAXIMIZE);  // keeps the older size event
  EXPECT_EQ(queued_codes(size_events), (std::vector<int32_t>{event_size, event_maximize, event_size}));
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(queued_codes(size_events), (std::vector<int32_t>{event_maximize, event_restore, event_size}));
  drain();
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_EQ(queued_codes(size_events), std::vector<int32_t>{event_minimize});
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(queued_codes(size_events), (std::vector<int32_t>{event_minimize, event_restore, event_size}));
}
}  // namespace
