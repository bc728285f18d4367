// Tab and Shift+Tab go through the window's accelerators and move the focus
// between its tab stops.
#include "window_test_support.h"

namespace {
using Focus = window_test;

HWND child(HWND parent, DWORD style, int id) {
  return CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | style, 10, 30 * id, 100, 24, parent,
                         (HMENU)(intptr_t)id, nullptr, nullptr);
}

// A Tab key press reaching the focused control, taken by the event wait.
void press_tab(bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_TAB] = 0x80;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
  drain();
  keys[VK_TAB] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

TEST_F(Focus, TabCyclesTheEnabledTabStopsAndLeavesOtherChildrenAlone) {
  auto window = (HWND)open_window(0, 50, 60, 400, 300, L"focus", 0xC80000);
  HWND first = child(window, WS_TABSTOP, 1);
  HWND plain = child(window, 0, 2);
  child(window, WS_TABSTOP | WS_DISABLED, 3);
  HWND second = child(window, WS_TABSTOP, 4);
  ASSERT_EQ(GetActiveWindow(), window);
  SetFocus(first);
  const std::pair<bool, HWND> steps[] = {{false, second}, {false, first}, {true, second}, {true, first}};
  for (auto [shift, expected] : steps) {
    press_tab(shift);
    EXPECT_EQ(GetFocus(), expected) << (shift ? "Shift+Tab" : "Tab");
  }
  SetFocus(plain);
  press_tab(false);
  EXPECT_EQ(GetFocus(), plain);
  press_tab(true);
  EXPECT_EQ(GetFocus(), second);
}
}  // namespace
