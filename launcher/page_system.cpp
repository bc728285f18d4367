#include "launcher/page_system.h"

#include <commdlg.h>
#include <shellapi.h>

#include "launcher/file_replacement.h"
#include "runtime/core/utf16.h"
#include "runtime/gadget/web_view.h"
#include "runtime/window/display_scale.h"

namespace {

// The dialogs' filter: "Markdown\0*.md;*.markdown\0...\0", every file
// when the page names no type.
std::wstring filter_of(const std::vector<file_type_filter>& types) {
  std::wstring filter;
  for (const file_type_filter& type : types) {
    std::wstring patterns;
    for (const std::string& extension : type.extensions)
      patterns += (patterns.empty() ? L"*." : L";*.") + wide_of(extension);
    if (patterns.empty()) continue;
    filter += wide_of(type.description.empty() ? type.extensions[0] : type.description);
    filter += L'\0' + patterns + L'\0';
  }
  if (filter.empty()) filter = std::wstring(L"All files\0*.*\0", 14);
  return filter + L'\0';
}

// Room for many picked files' names.
constexpr DWORD name_room = 32768;

OPENFILENAMEW dialog_of(HWND owner, const std::wstring& filter, std::wstring& names) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = names.data();
  dialog.nMaxFile = name_room;
  return dialog;
}

}  // namespace

// With several picked, the dialog gives their folder and then each name.
std::vector<std::string> windows_page_system::choose_files_to_open(const std::vector<file_type_filter>& types,
                                                                   bool multiple) {
  std::wstring filter = filter_of(types), names(name_room + 2, L'\0');
  OPENFILENAMEW dialog = dialog_of(window_, filter, names);
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                 (multiple ? OFN_ALLOWMULTISELECT : 0);
  if (!GetOpenFileNameW(&dialog)) return {};
  std::vector<std::string> paths;
  const wchar_t* first = names.c_str();
  const wchar_t* next = first + wcslen(first) + 1;
  if (!*next) return {utf8_of(first)};
  std::wstring folder = first;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  for (; *next; next += wcslen(next) + 1) paths.push_back(utf8_of((folder + next).c_str()));
  return paths;
}

std::string windows_page_system::choose_file_to_save(const std::string& suggested_name,
                                                     const std::vector<file_type_filter>& types) {
  std::wstring filter = filter_of(types), names(name_room + 2, L'\0');
  std::wstring suggested = wide_of(suggested_name).substr(0, 255);
  names.replace(0, suggested.size(), suggested);
  // A name typed without an extension takes the first type's.
  std::wstring extension = !types.empty() && !types[0].extensions.empty() ? wide_of(types[0].extensions[0]) : L"";
  OPENFILENAMEW dialog = dialog_of(window_, filter, names);
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return "";
  return utf8_of(names.c_str());
}

std::string windows_page_system::file_name(const std::string& path) {
  size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

int64_t windows_page_system::file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide_of(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (int64_t)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

bool windows_page_system::read_file(const std::string& path, std::string& bytes, std::string& problem) {
  return read_file_at_most(wide_of(path), page_api_data_limit, bytes, problem);
}

bool windows_page_system::write_file(const std::string& path, std::string_view bytes, std::string& problem) {
  return replace_file(wide_of(path), bytes, problem);
}

void windows_page_system::announce_window(const std::string& address) {
  announce_web_view_window(web_view_, wide_of(address).c_str());
}

// One argument to the shell's handler for the scheme, never a command line.
bool windows_page_system::open_external(const std::string& address) {
  return (INT_PTR)ShellExecuteW(window_, L"open", wide_of(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL) > 32;
}

// Full screen covers the window's monitor without a frame; leaving it puts
// the frame and the place back.
void windows_page_system::set_fullscreen(bool on) {
  if (on == fullscreen_) return;
  if (on) {
    style_ = GetWindowLongPtrW(window_, GWL_STYLE);
    placement_.length = sizeof placement_;
    GetWindowPlacement(window_, &placement_);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& r = monitor.rcMonitor;
    SetWindowLongPtrW(window_, GWL_STYLE, style_ & ~(LONG_PTR)(WS_CAPTION | WS_THICKFRAME));
    SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_FRAMECHANGED);
  } else {
    SetWindowLongPtrW(window_, GWL_STYLE, style_);
    SetWindowPlacement(window_, &placement_);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  fullscreen_ = on;
}

void windows_page_system::change_window(const window_request& request) {
  switch (request.change) {
    case window_change::set_title: SetWindowTextW(window_, wide_of(request.title).c_str()); break;
    case window_change::minimize: ShowWindow(window_, SW_MINIMIZE); break;
    case window_change::maximize: ShowWindow(window_, SW_MAXIMIZE); break;
    case window_change::restore: ShowWindow(window_, SW_RESTORE); break;
    case window_change::set_fullscreen: set_fullscreen(request.on); break;
    // As the close box, but never into the tray: the run ends.
    case window_change::close: tray_.end_run(); break;
    case window_change::set_size: {
      RECT frame = {0, 0, scale_x((int32_t)request.width), scale_y((int32_t)request.height)};
      AdjustWindowRectEx(&frame, (DWORD)GetWindowLongPtrW(window_, GWL_STYLE), FALSE,
                         (DWORD)GetWindowLongPtrW(window_, GWL_EXSTYLE));
      // No larger than the work area of the window's monitor.
      MONITORINFO monitor{sizeof monitor, {}, {}, 0};
      LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
      if (GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        width = std::min(width, monitor.rcWork.right - monitor.rcWork.left);
        height = std::min(height, monitor.rcWork.bottom - monitor.rcWork.top);
      }
      SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
  }
}

void windows_page_system::update(update_step step, later_settle settle) {
  if (!updates_) return settle("", "updates are not available in this run");
  if (step == update_step::check) return updates_->check(std::move(settle));
  if (step == update_step::install) return updates_->install(std::move(settle));
  updates_->restart(std::move(settle), [this] { tray_.end_run(); });
}
