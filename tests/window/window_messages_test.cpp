// Window messages turned into events by the class procedure of runtime windows.
#include <algorithm>

#include "window_test_support.h"

namespace {
using WindowMessages = window_test;

// The codes of window 0 that concern its size and state.
std::vector<int32_t> size_codes() {
  std::vector<int32_t> codes;
  for (int32_t c : queued_codes(0))
    if (c == event_minimize || c == event_maximize || c == event_restore || c == event_size) codes.push_back(c);
  return codes;
}

HWND open_and_settle(int64_t flags) {
  auto window = (HWND)open_window(0, 50, 60, 400, 300, L"messages", flags);
  drain();
  return window;
}

TEST_F(WindowMessages, ActivateEventIsQueuedWhenOpenWindowReturns) {
  open_window(0, 50, 60, 400, 300, L"active", 0xC80000);
  auto codes = queued_codes(0);
  EXPECT_NE(std::find(codes.begin(), codes.end(), event_activate), codes.end());
  // Moves and sizes during creation come before the window is ready.
  EXPECT_EQ(std::count(codes.begin(), codes.end(), event_move), 0);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), event_size), 0);

  open_window(1, 50, 60, 400, 300, L"hidden", 0x10C80000);
  EXPECT_TRUE(queued_codes(1).empty());
}

// A screen point on the window's close button, found by asking the window.
POINT close_button_of(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  for (int x = r.right - 1; x > r.right - 80; x -= 2)
    for (int y = r.top; y < r.top + 40; y += 2)
      if (SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x - 2, y + 2};
  return {-1, -1};
}

TEST_F(WindowMessages, CloseButtonQueuesTheCloseEventAndLeavesTheWindowOpen) {
  HWND window = open_and_settle(0xC80000);
  POINT button = close_button_of(window);
  ASSERT_GE(button.x, 0);
  // The press starts the system's button tracking, which takes the release
  // from the queue; both carry the cursor position, so the cursor goes there.
  SetCursorPos(button.x, button.y);
  PostMessageW(window, WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(button.x, button.y));
  PostMessageW(window, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(wait_window_event(), WM_NCLBUTTONDOWN);
  EXPECT_EQ(wait_window_event(), event_close);
  EXPECT_EQ(current_event().object, 0);
  EXPECT_EQ(current_event().window, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(window_handle(0), window);
}

TEST_F(WindowMessages, CloseEventComesAfterEventsQueuedBeforeIt) {
  HWND window = open_and_settle(0xC80000);
  post_event(13112, 0, 0, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wait_window_event(), 13112);
  EXPECT_EQ(wait_window_event(), WM_CLOSE);
  EXPECT_EQ(wait_window_event(), event_close);
}

TEST_F(WindowMessages, ABurstOfSizesLeavesExactlyOneSizeEvent) {
  HWND window = open_and_settle(0xC40000);
  for (int i = 0; i < 12; i++) SetWindowPos(window, nullptr, 0, 0, 420 + 10 * i, 320 + 5 * i, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(size_codes(), std::vector<int32_t>{event_size});
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(window_inner_width(0), client.right);
}

TEST_F(WindowMessages, MaximizeKeepsAnOlderSizeEventAndRestoreReplacesThem) {
  HWND window = open_and_settle(0xCF0000);
  SetWindowPos(window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(window, SW_MAXIMIZE);
  EXPECT_EQ(size_codes(), (std::vector<int32_t>{event_size, event_maximize, event_size}));
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(size_codes(), (std::vector<int32_t>{event_maximize, event_restore, event_size}));
}

TEST_F(WindowMessages, MinimizeGivesNoSizeEventAndRestoreGivesBoth) {
  HWND window = open_and_settle(0xCF0000);
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_EQ(size_codes(), std::vector<int32_t>{event_minimize});
  ShowWindow(window, SW_RESTORE);
  EXPECT_EQ(size_codes(), (std::vector<int32_t>{event_minimize, event_restore, event_size}));
  // A plain size change after the restore is no restore.
  drain();
  SetWindowPos(window, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(size_codes(), std::vector<int32_t>{event_size});
}

TEST_F(WindowMessages, MovingTheReadyWindowQueuesAMoveEvent) {
  HWND window = open_and_settle(0xC80000);
  SetWindowPos(window, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  auto events = queued_events();
  EXPECT_NE(std::find(events.begin(), events.end(), queued_event{event_move, 0, 0, 0}), events.end());
}

struct command_case {
  WPARAM wparam;
  LONG_PTR control_id;  // 0: no control
  queued_event expected;
};

TEST_F(WindowMessages, CommandsBecomeMenuOrGadgetEvents) {
  HWND window = open_and_settle(0xC80000);
  const command_case cases[] = {
      {MAKEWPARAM(42, 0), 0, {event_menu, 42, 0, 0}},             // a menu item
      {MAKEWPARAM(77, 1), 0, {event_menu, 77, 0, 0}},             // an accelerator
      {MAKEWPARAM(9, BN_CLICKED), -10000, {event_menu, 9, 0, 0}},  // a control standing in for a menu
      {MAKEWPARAM(7, EN_CHANGE), 7, {event_gadget, 7, 0, EN_CHANGE}},
  };
  for (const command_case& c : cases) {
    remove_events(-1, -1, -1, -1);
    HWND control = nullptr;
    if (c.control_id)
      control = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 0, 0, 10, 10, window, (HMENU)c.control_id, nullptr, nullptr);
    SendMessageW(window, WM_COMMAND, c.wparam, (LPARAM)control);
    EXPECT_EQ(queued_events(), (std::vector<queued_event>{c.expected})) << "wparam " << c.wparam;
    if (control) DestroyWindow(control);
  }
}

TEST_F(WindowMessages, MouseTimerAndEraseMessagesBecomeEvents) {
  HWND window = open_and_settle(0xC80000);
  const std::pair<UINT, int32_t> cases[] = {{WM_LBUTTONUP, event_left_click},
                                            {WM_LBUTTONDBLCLK, event_left_double_click},
                                            {WM_RBUTTONUP, event_right_click},
                                            {WM_ERASEBKGND, event_repaint}};
  for (auto [message, code] : cases) {
    remove_events(-1, -1, -1, -1);
    SendMessageW(window, message, 0, 0);
    EXPECT_EQ(queued_events(), (std::vector<queued_event>{{code, 0, 0, 0}})) << "message " << message;
  }
  remove_events(-1, -1, -1, -1);
  SendMessageW(window, WM_TIMER, 9, 0);
  EXPECT_EQ(queued_events(), (std::vector<queued_event>{{event_timer, 9, 0, 0}}));
}

TEST_F(WindowMessages, TrackingLimitsAddTheFrameToTheInnerLimits) {
  HWND window = open_and_settle(0xCF0000);
  auto* record = (window_record*)find_object(window_registry, 0);
  record->minimum_width = 300;
  record->minimum_height = 200;
  record->maximum_width = 700;
  record->maximum_height = 500;
  SetWindowPos(window, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  SetWindowPos(window, nullptr, 0, 0, 2000, 2000, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 700);
  EXPECT_EQ(client.bottom, 500);
}

TEST_F(WindowMessages, ToolWindowWithoutLimitsMayBeNarrowedToOnePixel) {
  HWND window = open_and_settle(0x4 | 0x40000);
  MINMAXINFO info{};
  info.ptMinTrackSize = {100, 100};
  SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&info);
  EXPECT_EQ(info.ptMinTrackSize.x, 1);
  EXPECT_EQ(info.ptMinTrackSize.y, 100);
}

TEST_F(WindowMessages, SizesOfAnotherWindowAreLeftAlone) {
  HWND window = open_and_settle(0xC80000);
  // A child of the runtime window that shares its class procedure.
  wchar_t class_name[40];
  GetClassNameW(window, class_name, 40);
  HWND child = CreateWindowExW(0, class_name, L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  remove_events(-1, -1, -1, -1);
  SetWindowPos(child, nullptr, 0, 0, 80, 80, SWP_NOMOVE | SWP_NOZORDER);
  PostMessageW(child, WM_CLOSE, 0, 0);
  pump_messages();
  EXPECT_TRUE(IsWindow(child));
  auto codes = queued_codes(0);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), event_size), 0);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), event_close), 0);
  // The child's clicks still count for its runtime window.
  SendMessageW(child, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(queued_events().back(), (queued_event{event_left_click, 0, 0, 0}));
}
}  // namespace
