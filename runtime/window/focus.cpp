// Keyboard navigation in runtime windows: Tab and Shift+Tab come in as
// accelerator commands and move the focus between tab stops.
#include <richedit.h>

#include <cwchar>

#include "runtime/core/runtime_globals.h"
#include "runtime/window/events.h"
#include "runtime/window/window_state.h"

namespace {
bool key_down(int key) { return GetKeyState(key) < 0; }

bool modifier_down() { return key_down(VK_CONTROL) || key_down(VK_SHIFT) || key_down(VK_MENU); }

bool has_tab_navigation(const window_record* record) {
  for (int32_t i = 0; i < record->accelerator_count; i++)
    if (record->accelerator_entries[i].key == VK_TAB && record->accelerator_entries[i].cmd == command_next_tab_stop)
      return true;
  return false;
}

// Controls that take a plain Tab as text: an editable rich edit and Scintilla.
bool wants_tab_as_input(HWND focus) {
  wchar_t name[16] = L"";
  GetClassNameW(focus, name, 16);
  if (wcsncmp(name, L"RichE", 5) == 0 || wcsncmp(name, L"RICH", 4) == 0)
    return !(SendMessageW(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
  return wcscmp(name, L"Scintilla") == 0;
}

// A focus inside a composite control (an extended combo box whose style has
// bit 0x1, simple or drop-down list; an IP address control) counts as on the
// control itself, so that Tab leaves the control rather than its part.
HWND focus_owner(HWND root, HWND focus) {
  HWND current = focus;
  for (HWND w = focus; w && w != root; w = GetParent(w)) {
    wchar_t name[50] = L"";
    GetClassNameW(w, name, 50);
    if ((wcscmp(name, L"ComboBoxEx32") == 0 && (GetWindowLongPtrW(w, GWL_STYLE) & 0x1)) ||
        wcscmp(name, L"SysIPAddress32") == 0)
      current = w;
  }
  return current;
}

struct focus_walk {
  HWND current;
  bool backwards;
  HWND first;
  HWND previous;   // the candidate before the one being visited
  HWND target;
};

BOOL CALLBACK visit_candidate(HWND w, LPARAM context) {
  auto& walk = *(focus_walk*)context;
  if (!IsWindowEnabled(w) || !IsWindowVisible(w) || !(GetWindowLongPtrW(w, GWL_STYLE) & WS_TABSTOP)) return TRUE;
  if (!walk.first) walk.first = w;
  bool arrived = walk.backwards ? w == walk.current && walk.previous : !walk.current || walk.previous == walk.current;
  if (arrived) {
    walk.target = walk.backwards ? walk.previous : w;
    return FALSE;
  }
  walk.previous = w;
  return TRUE;
}
}  // namespace

void create_window_accelerators(window_record* record) {
  auto* entries = (ACCEL*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, 2 * sizeof(ACCEL));
  if (!entries) return;
  entries[0] = {FVIRTKEY | FNOINVERT, VK_TAB, command_next_tab_stop};
  entries[1] = {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, command_previous_tab_stop};
  record->accelerator_entries = entries;
  record->accelerator_count = 2;
  record->accelerator_table = CreateAcceleratorTableW(entries, 2);
}

HACCEL active_accelerators(HWND active) {
  HWND focus = GetFocus();
  window_record* record = nullptr;
  bool tab_navigation = true;
  // Only a runtime window of this process leads to a window record; the
  // property of another process's window means nothing here.
  auto id = (intptr_t)GetPropW(active, L"TL_WindowID");
  DWORD process = 0;
  if (id && GetWindowThreadProcessId(active, &process) && process == GetCurrentProcessId()) {
    record = find_window(id - 1);
    tab_navigation = record && has_tab_navigation(record);
  }
  if (focus && key_down(VK_TAB) && !modifier_down() && tab_navigation && wants_tab_as_input(focus)) return nullptr;
  if (active && modifier_down()) show_keyboard_cues(active, true);
  return record ? record->accelerator_table : nullptr;
}

void move_focus(bool backwards) {
  HWND root = GetActiveWindow();
  // With no active window the walk below would visit every top-level
  // window of the desktop and could focus another program's.
  if (!root) return;
  HWND focus = GetFocus();
  focus_walk walk = {};
  walk.backwards = backwards;
  if (focus && IsChild(root, focus)) walk.current = focus_owner(root, focus);
  EnumChildWindows(root, visit_candidate, (LPARAM)&walk);
  // The walk ran off the end: forwards from the last tab stop wraps to the
  // first; backwards from the first (or from no tab stop) goes to the last.
  if (!walk.target) {
    if (!backwards && walk.current && walk.previous == walk.current) walk.target = walk.first;
    if (backwards) walk.target = walk.previous;
  }
  if (walk.target) SetFocus(walk.target);
}

void show_keyboard_cues(HWND window, bool show) {
  auto state = (DWORD)SendMessageW(window, WM_QUERYUISTATE, 0, 0);
  constexpr DWORD both = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  if (show && (state & both)) SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, both), 0);
  if (!show && (state & both) != both) SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, both), 0);
}
