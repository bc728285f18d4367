// The notice's two controls are children of the launcher's runtime window:
// the runtime turns the button's click into a gadget event like any control's.
#include "launcher/runtime_notice.h"

#include <shellapi.h>

#include <algorithm>

#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"

namespace {

// In logical units: the text wraps at this width at most, and keeps this
// far from the window's edges.
constexpr int32_t text_width_limit = 420;
constexpr int32_t margin = 24;
constexpr int32_t gap = 16;
constexpr int32_t button_padding_x = 24;
constexpr int32_t button_padding_y = 8;

SIZE text_extent(HWND control, const wchar_t* text, int width, UINT format) {
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, (HGDIOBJ)SendMessageW(control, WM_GETFONT, 0, 0));
  RECT bounds{0, 0, width, 0};
  DrawTextW(dc, text, -1, &bounds, format | DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return {bounds.right, bounds.bottom};
}

}  // namespace

void show_runtime_notice(HWND window) {
  HINSTANCE instance = (HINSTANCE)GetWindowLongPtrW(window, GWLP_HINSTANCE);
  HWND text = CreateWindowExW(0, L"STATIC", runtime_notice_text, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 0,
                              0, 0, 0, window, (HMENU)(intptr_t)runtime_notice_text_id, instance, nullptr);
  HWND button = CreateWindowExW(0, L"BUTTON", runtime_notice_button_text,
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, window,
                                (HMENU)(intptr_t)runtime_notice_button_id, instance, nullptr);
  for (HWND control : {text, button})
    if (control) SendMessageW(control, WM_SETFONT, (WPARAM)default_gadget_font, FALSE);
  lay_out_runtime_notice(window);
  // Enter or the space bar then opens the page too.
  if (button) SetFocus(button);
}

void lay_out_runtime_notice(HWND window) {
  HWND text = GetDlgItem(window, runtime_notice_text_id);
  HWND button = GetDlgItem(window, runtime_notice_button_id);
  if (!text || !button) return;
  RECT inner;
  GetClientRect(window, &inner);
  int text_width = std::max(1, std::min<int>(scale_x(text_width_limit), inner.right - 2 * scale_x(margin)));
  SIZE text_size = text_extent(text, runtime_notice_text, text_width, DT_CENTER | DT_WORDBREAK);
  SIZE label = text_extent(button, runtime_notice_button_text, 0, DT_SINGLELINE);
  int button_width = label.cx + 2 * scale_x(button_padding_x);
  int button_height = label.cy + 2 * scale_y(button_padding_y);
  int top = std::max(0, (int)(inner.bottom - (text_size.cy + scale_y(gap) + button_height)) / 2);
  MoveWindow(text, (inner.right - text_width) / 2, top, text_width, text_size.cy, TRUE);
  MoveWindow(button, (inner.right - button_width) / 2, top + text_size.cy + scale_y(gap), button_width,
             button_height, TRUE);
}

void open_runtime_download_page(HWND window) {
  ShellExecuteW(window, L"open", webview2_download_link, nullptr, nullptr, SW_SHOWNORMAL);
}
