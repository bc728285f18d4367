#include "launcher/window_memory.h"

#include <cwchar>
#include <string>

#include "launcher/file_replacement.h"
#include "launcher/wide_ascii.h"
#include "runtime/browser/environment.h"
#include "runtime/window/desktops.h"

namespace {

using path_buffer = wchar_t[2 * MAX_PATH];

constexpr wide_ascii wide_place_file(window_place_file);

// The file's path, and its folder when asked for.
bool place_file(path_buffer& file, wchar_t* folder = nullptr) {
  if (!webview::app_data_folder(file)) return false;
  if (folder) wcscpy(folder, file);
  size_t length = wcslen(file);
  int written = swprintf(file + length, 2 * MAX_PATH - length, L"\\%ls", wide_place_file.text);
  return written > 0 && (size_t)written < 2 * MAX_PATH - length;
}

bool on_a_desktop(const window_place& place) {
  for (int32_t i = 0; i < desktops.count; i++) {
    const desktop_record& d = desktops.table[i];
    screen_area screen = {d.x, d.y, d.width, d.height};
    if (lies_on_a_screen(place, &screen, 1)) return true;
  }
  return false;
}

}  // namespace

bool remembered_place(window_place& place) {
  path_buffer path;
  std::string text;
  std::string problem;
  if (!place_file(path) || !read_file_at_most(path, window_place_file_limit, text, problem) ||
      text.size() > window_place_file_limit || !read_window_place(text, place) || !on_a_desktop(place))
    return false;
  RECT rect = {place.x, place.y, place.x + place.width, place.y + place.height};
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& w = monitor.rcWork;
    place = fitted_to(place, {w.left, w.top, w.right - w.left, w.bottom - w.top});
  }
  return true;
}

window_place place_of_window(HWND window) {
  RECT rect = {};
  bool maximized = IsZoomed(window);
  if (!IsIconic(window) && !maximized) {
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, false};
  }
  // Asked of the system at close rather than followed through move events:
  // those are read from the queue after the fact, when a minimize that came
  // right after a move has already hidden where the window was.
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window, &placement)) return {0, 0, 0, 0, maximized};
  rect = placement.rcNormalPosition;
  if (IsIconic(window)) maximized = (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
  // The normal rectangle is in workspace coordinates: the work area's corner
  // is its origin, not the screen's.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
    OffsetRect(&rect, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, maximized};
}

void remember_place(const window_place& place) {
  path_buffer path, folder;
  if (!place_file(path, folder)) return;
  // The browser makes the folder; a run without a browser has not.
  CreateDirectoryW(folder, nullptr);
  std::string problem;
  replace_file(path, window_place_text(place), problem);
}
