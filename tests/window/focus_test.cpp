// Tab navigation: Tab and Shift+Tab go through the window's accelerators
// and move the focus between tab stops.
#include <richedit.h>

#include "window_test_support.h"

namespace {
class Focus : public window_test {
 protected:
  HWND window = nullptr;
  HWND first = nullptr, plain = nullptr, disabled = nullptr, second = nullptr;

  void SetUp() override {
    window_test::SetUp();
    window = (HWND)open_window(0, 50, 60, 400, 300, L"focus", 0xC80000);
    // In creation order: a tab stop, a child without WS_TABSTOP, a disabled
    // tab stop that must be skipped, and a second tab stop.
    first = child(L"BUTTON", WS_TABSTOP, 1);
    plain = child(L"EDIT", 0, 2);
    disabled = child(L"BUTTON", WS_TABSTOP | WS_DISABLED, 3);
    second = child(L"BUTTON", WS_TABSTOP, 4);
    drain();
  }
  void TearDown() override {
    set_keys(false, false);
    window_test::TearDown();
  }

  HWND child(const wchar_t* cls, DWORD style, int id) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, 10 + 30 * id, 100, 24, window,
                           (HMENU)(intptr_t)id, nullptr, nullptr);
  }

  static void set_keys(bool tab, bool shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_TAB] = tab ? 0x80 : 0;
    keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
  }

  // A Tab key press arriving at the focused control, taken by the event wait.
  static void press_tab(bool shift) {
    set_keys(true, shift);
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    while (wait_window_event_timeout(0)) {
    }
    set_keys(false, shift);
  }
};

TEST_F(Focus, TabAndShiftTabCycleBetweenTheTabStops) {
  ASSERT_EQ(GetActiveWindow(), window);
  SetFocus(first);
  press_tab(false);
  EXPECT_EQ(GetFocus(), second);
  press_tab(false);
  EXPECT_EQ(GetFocus(), first);
  press_tab(true);
  EXPECT_EQ(GetFocus(), second);
  press_tab(true);
  EXPECT_EQ(GetFocus(), first);
}

TEST_F(Focus, TabFromAChildWithoutTabStopMovesNothingShiftTabGoesToTheLast) {
  SetFocus(plain);
  press_tab(false);
  EXPECT_EQ(GetFocus(), plain);
  press_tab(true);
  EXPECT_EQ(GetFocus(), second);
}

TEST_F(Focus, TabWithoutFocusedChildGoesToTheFirstTabStop) {
  SetFocus(window);
  move_focus(false);
  EXPECT_EQ(GetFocus(), first);
  SetFocus(window);
  move_focus(true);
  EXPECT_EQ(GetFocus(), second);
}

TEST_F(Focus, HiddenTabStopsAreSkipped) {
  ShowWindow(second, SW_HIDE);
  SetFocus(first);
  move_focus(false);
  EXPECT_EQ(GetFocus(), first);  // the only visible, enabled tab stop wraps to itself
}

TEST_F(Focus, AnEditableRichEditKeepsItsTab) {
  ASSERT_NE(LoadLibraryW(L"riched20.dll"), nullptr);
  HWND rich = child(RICHEDIT_CLASSW, WS_TABSTOP, 5);
  ASSERT_NE(rich, nullptr);
  SetFocus(rich);
  set_keys(true, false);
  EXPECT_EQ(active_accelerators(window), nullptr);
  SendMessageW(rich, EM_SETREADONLY, TRUE, 0);
  EXPECT_NE(active_accelerators(window), nullptr);
  // With Shift it navigates even when editable.
  SendMessageW(rich, EM_SETREADONLY, FALSE, 0);
  set_keys(true, true);
  EXPECT_NE(active_accelerators(window), nullptr);
}

TEST_F(Focus, FocusComesBackToTheChildThatHadItBeforeDeactivation) {
  SetFocus(second);
  HWND other = (HWND)open_window(1, 300, 300, 200, 100, L"other", 0xC80000);
  ASSERT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(GetPropW(window, L"TL_Focus"), second);
  EXPECT_EQ(queued_codes(0).back(), event_deactivate);
  SetActiveWindow(window);
  EXPECT_EQ(GetFocus(), second);
  EXPECT_EQ(queued_codes(0).back(), event_activate);
}

// Wine keeps no keyboard-cue state for top-level windows, so the window
// answers the query itself and notes the updates it is sent.
WNDPROC procedure_before_cues;
LRESULT cue_state;
std::vector<WPARAM> cue_updates;

LRESULT CALLBACK cue_window(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_QUERYUISTATE) return cue_state;
  if (message == WM_UPDATEUISTATE) cue_updates.push_back(wparam);
  return CallWindowProcW(procedure_before_cues, window, message, wparam, lparam);
}

TEST_F(Focus, KeyboardCuesAreUpdatedOnlyWhenTheyDiffer) {
  struct cue_case {
    LRESULT state;
    bool show;
    std::vector<WPARAM> updates;
  };
  const cue_case cases[] = {
      {0, false, {0x30001}}, {UISF_HIDEFOCUS, false, {0x30001}}, {UISF_HIDEACCEL | UISF_HIDEFOCUS, false, {}},
      {0, true, {}},         {UISF_HIDEACCEL, true, {0x30002}},  {UISF_HIDEACCEL | UISF_HIDEFOCUS, true, {0x30002}},
  };
  procedure_before_cues = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)cue_window);
  for (const cue_case& c : cases) {
    cue_state = c.state;
    cue_updates.clear();
    show_keyboard_cues(window, c.show);
    EXPECT_EQ(cue_updates, c.updates) << "state " << c.state << " show " << c.show;
  }
  SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)procedure_before_cues);
}

TEST_F(Focus, OnlyRuntimeWindowsHaveAccelerators) {
  EXPECT_EQ(active_accelerators(nullptr), nullptr);
  EXPECT_EQ(active_accelerators(GetDesktopWindow()), nullptr);
  auto* record = (window_record*)find_object(window_registry, 0);
  EXPECT_EQ(active_accelerators(window), record->accelerator_table);
}
}  // namespace
