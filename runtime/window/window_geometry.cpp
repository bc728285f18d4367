// Placement and size queries of runtime windows, in logical units.
#include "runtime/window/display_scale.h"
#include "runtime/window/window_state.h"

namespace {
using composition_query = HRESULT(WINAPI*)(BOOL*);

// dwmapi.dll is not present on every system, so it is looked up at run
// time; without it composition counts as disabled. The module stays loaded.
bool composition_enabled() {
  if (!window_state) return false;
  if (!window_state->composition_checked) {
    window_state->composition_checked = 1;
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    auto query = dwm ? (composition_query)(void*)GetProcAddress(dwm, "DwmIsCompositionEnabled") : nullptr;
    BOOL enabled = FALSE;
    if (query && SUCCEEDED(query(&enabled))) window_state->composition_enabled = enabled;
  }
  return window_state->composition_enabled;
}
}  // namespace

int32_t frame_offset(window_record* record) {
  if (!composition_enabled()) return 0;
  return (GetWindowLongPtrW(record->handle, GWL_STYLE) & WS_THICKFRAME) ? scale_x(8) : 0;
}

void centre_window(HWND window, uint32_t flags, HWND parent) {
  bool on_screen = flags & window_centre_screen;
  if (!on_screen && !parent) return;
  RECT r;
  GetWindowRect(window, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x, y;
  if (on_screen) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (w > sw) w = sw;
    if (h > sh) h = sh;
    x = (sw - w) / 2;
    y = (sh - h) / 2;
  } else {
    RECT p;
    GetWindowRect(parent, &p);
    x = p.left + (p.right - p.left - w) / 2;
    y = p.top + (p.bottom - p.top - h) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  }
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int64_t window_width(int64_t number, int32_t mode) {
  window_record* record = find_window(number);
  if (!record) return 0;
  RECT r;
  if (mode & 1) GetClientRect(record->handle, &r);
  else GetWindowRect(record->handle, &r);
  return unscale_x(r.right - r.left);
}

int64_t window_height(int64_t number, int32_t mode) {
  window_record* record = find_window(number);
  if (!record) return 0;
  RECT r;
  int height;
  if (mode & 1) {
    GetClientRect(record->handle, &r);
    // A menu bar attached after open_window takes its room from the client
    // area; counting it keeps the answer equal to the height that was asked for.
    height = r.bottom - r.top + (GetMenu(record->handle) ? GetSystemMetrics(SM_CYMENU) : 0);
  } else {
    GetWindowRect(record->handle, &r);
    height = r.bottom - r.top;
  }
  return unscale_y(height);
}
