#include "launcher/main_sequence.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "launcher/phase_marks.h"
#include "launcher/program_update.h"
#include "launcher/runtime_notice.h"
#include "launcher/web_app_folder.h"
#include "launcher/window_memory.h"
#include "launcher-common/dev_source.h"
#include "payload/virtual_host.h"
#include "runtime/browser/environment.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/utf16.h"
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/web_view.h"
#include "runtime/startup/runtime.h"
#include "runtime/window/desktops.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"

namespace {

constexpr int64_t main_window = 0;
constexpr int64_t web_view = 1;
constexpr int64_t settings_document = 0;

bool read_settings(launcher_state& state) {
  int64_t start = accumulator.offset;
  settings_document_text(state.payload.json_block, state.payload.json_length, start);
  state.settings_text.store(start);
  if (!parse_json(settings_document, state.settings_text.c_str())) return false;
  state.root = json_root(settings_document);
  read_launcher_settings(state.root, state.settings);
  return true;
}

// While the app is unpacked its window is on the screen, and answered: its
// messages are dispatched every few milliseconds (Windows calls a window
// that has not taken its messages for five seconds "Not responding"), and a
// close ends the unpacking. Other events are dropped: the web view, which
// size events concern, comes after, fitted to the window as it is then.
constexpr DWORD answer_interval_ms = 20;
constexpr int most_messages_per_answer = 1000;
bool closed_while_unpacking;
DWORD last_answer;

bool answer_window() {
  DWORD now = GetTickCount();
  if (now - last_answer < answer_interval_ms) return !closed_while_unpacking;
  last_answer = now;
  for (int i = 0; i < most_messages_per_answer; i++) {
    if (int32_t code = pop_event()) {
      closed_while_unpacking = closed_while_unpacking || code == event_close;
      continue;
    }
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) break;
    wait_window_event_timeout(0);  // takes that message: no event is queued
  }
  return !closed_while_unpacking;
}

// False when the window was closed meanwhile.
bool unpack(launcher_state& state) {
  int64_t start = accumulator.offset;
  closed_while_unpacking = false;
  last_answer = GetTickCount();
  const wchar_t* folder =
      unpack_web_app(state.payload.archive_block, state.payload.archive_length, start, answer_window);
  state.web_app_folder.store(start);
  // A folder whose name could not be kept (out of memory) could not be
  // removed at the end: it goes now, and the start address is shown.
  if (folder && folder[0] && state.web_app_folder.empty()) remove_web_app_folder(folder);
  state.no_folder = state.web_app_folder.empty() ? 1 : 0;
  return !closed_while_unpacking;
}

// An app named to be served under a host is served from its archive,
// unpacked nowhere: its index, once; an archive without a readable
// directory shows the start address, as one that cannot be unpacked does.
// False for an app that is to be unpacked.
bool index_served_app(launcher_state& state) {
  const std::string& host = state.settings.app.virtual_host;
  // A dev run's pages come from its dev server or folder, never an archive.
  if (state.settings.app.dev_run() && is_virtual_host_name(host.data(), host.size())) {
    state.no_folder = 1;
    state.served = 2;
    return true;
  }
  if (!state.payload.archive_block || state.payload.archive_length <= 0 || !is_virtual_host_name(host.data(), host.size()))
    return false;
  remove_stale_web_app_folders();
  state.no_folder = 1;
  std::string_view archive((const char*)state.payload.archive_block, (size_t)state.payload.archive_length);
  // Served from a folder, the app's names compared in any case, as Windows
  // compares file names; they still do.
  state.served = state.archive_index.open(archive, true) ? 1 : 0;
  return true;
}

// The smallest logical position whose device pixel is not before pixel:
// rounding may otherwise put a window one pixel outside the work area.
int64_t logical_not_before(int32_t pixel, int32_t (*scale)(int32_t), int64_t (*unscale)(int32_t)) {
  int64_t position = unscale(pixel);
  return scale((int32_t)position) < pixel ? position + 1 : position;
}

// The first desktop in device pixels; the primary display's corner is the
// origin of the screen's coordinates.
RECT first_desktop() { return {0, 0, (LONG)desktop_width(0), (LONG)desktop_height(0)}; }

// The first desktop without the taskbar and other bars docked to its edges.
RECT work_area() {
  RECT area = first_desktop();
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// A full-screen window covers its screen when it is frameless and the
// screen's work area otherwise, outer frame included, so that no part of the
// page lies off the screen or under the taskbar: the first screen, or the
// one where the last run left it. It opens with the inner size that the
// frame leaves of that rectangle; the exact rectangle is given to it once it
// is open (device pixels, which logical units do not all reach).
RECT full_screen_area(const launcher_state& state) {
  const bool frameless = state.settings.frameless == 1;
  if (state.restore_place) {
    const window_place& p = state.remembered;
    RECT left = {p.x, p.y, p.x + p.width, p.y + p.height};
    MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
    if (GetMonitorInfoW(MonitorFromRect(&left, MONITOR_DEFAULTTOPRIMARY), &monitor))
      return frameless ? monitor.rcMonitor : monitor.rcWork;
  }
  return frameless ? first_desktop() : work_area();
}

void place_full_screen(launcher_state& state) {
  launcher_settings& s = state.settings;
  RECT area = full_screen_area(state);
  state.full_screen = area;
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectEx(&frame, (DWORD)s.window_flags, FALSE, 0);
  s.window_width = unscale_x(area.right - area.left - (frame.right - frame.left));
  s.window_height = unscale_y(area.bottom - area.top - (frame.bottom - frame.top));
  state.x = logical_not_before(area.left, scale_x, unscale_x);
  state.y = logical_not_before(area.top, scale_y, unscale_y);
}

// Centred on the first desktop, whose size is device pixels: it is taken
// into logical units with the scale open_window applies the other way, or
// the window would be off centre, even off the screen, at any display scale
// but 96 dpi. A window larger than the screen would start above or left of
// it, its title bar out of reach: it starts at the work area's corner.
void place_window(launcher_state& state) {
  launcher_settings& s = state.settings;
  state.restore_place = s.app.remember_window && remembered_place(state.remembered);
  if (s.fullscreen == 1) {
    place_full_screen(state);
    return;
  }
  state.x = (unscale_x((int32_t)desktop_width(0)) - s.window_width) / 2;
  state.y = (unscale_y((int32_t)desktop_height(0)) - s.window_height) / 2;
  RECT area = work_area();
  state.x = std::max(state.x, logical_not_before(area.left, scale_x, unscale_x));
  state.y = std::max(state.y, logical_not_before(area.top, scale_y, unscale_y));
}

// A window left elsewhere by the last run opens there, hidden until it is:
// as large as it was when the user can size it, maximized again when it was
// and may be. Anything else keeps the settings' size.
void show_at_remembered_place(HWND window, launcher_state& state) {
  const window_place& p = state.remembered;
  const int64_t flags = state.settings.window_flags;
  SetWindowPos(window, nullptr, p.x, p.y, p.width, p.height,
               SWP_NOZORDER | SWP_NOACTIVATE | ((flags & WS_THICKFRAME) ? 0 : SWP_NOSIZE));
  ShowWindow(window, p.maximized && (flags & WS_MAXIMIZEBOX) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

// False when the window could not be made (no desktop heap or memory left):
// there is nothing to show and no close event will ever come.
bool open_web_app_window(launcher_state& state) {
  const launcher_settings& s = state.settings;
  const bool restore = state.restore_place && s.fullscreen != 1;
  if (!open_window(main_window, (int32_t)state.x, (int32_t)state.y, (int32_t)s.window_width,
                   (int32_t)s.window_height, s.window_title.c_str(), s.window_flags | (restore ? window_invisible : 0)))
    return false;
  HWND window = window_handle(main_window);
  if (s.fullscreen == 1) {
    const RECT& area = state.full_screen;
    SetWindowPos(window, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (restore) show_at_remembered_place(window, state);
  if (s.always_on_top != 0) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  phase_mark("window");
  return true;
}

// PageTitle: the page's title, or the packed one while the page has none;
// a dev run says so after the page's title too.
void show_page_title(void* context, const wchar_t* title) {
  const auto& settings = *(const launcher_settings*)context;
  if (!*title) return (void)SetWindowTextW(window_handle(main_window), settings.window_title.c_str());
  try {
    std::wstring shown = title;
    if (settings.app.dev_run()) shown += L" (dev)";
    SetWindowTextW(window_handle(main_window), shown.c_str());
  } catch (...) {
  }
}

// The web view fills the inner area the window really got: the system
// holds a window much larger than the screen below the size asked for.
void open_web_view(const launcher_settings& s) {
  if (!create_web_view_gadget_with_flags(web_view, 0, 0, (int32_t)window_inner_width(main_window),
                                         (int32_t)window_inner_height(main_window), s.app.dev_tools ? 1 : 0)) {
    if (web_view_runtime_missing()) show_runtime_notice(window_handle(main_window));
    return;
  }
  if (s.app.page_title) follow_web_view_title(web_view, show_page_title, (void*)&s);
  answer_web_view_permissions(web_view, s.app.permissions.c_str(), s.app.app_name.c_str());
}

// The app's own pages get window.wapp; a site (StartURL) never does. Its
// name and version are the packer's, else the window's title and none.
void serve_app_pages(launcher_state& state, const wchar_t* virtual_host) {
  page_host_settings settings;
  try {
    settings.folder = virtual_host ? L"" : state.web_app_folder.c_str();
    settings.virtual_host = virtual_host ? virtual_host : L"";
    settings.app_name = state.settings.app.app_name;
    settings.app_version = state.settings.app.app_version;
    settings.updates = state.updates ? &state.updates->calls : nullptr;
    settings.close_to_tray = state.settings.app.close_to_tray;
  } catch (...) {
    return;
  }
  state.page_api = serve_page_api(web_view, window_handle(main_window), settings);
}

// Serves the archive over https under the settings' host name, which gives
// module scripts, fetch and workers the real origin a file:// page lacks.
// False, and nothing navigated, when the browser would not serve it.
bool navigate_to_virtual_host(launcher_state& state) {
  std::wstring wide_host, dev_folder;
  try {
    wide_host = wide_of(state.settings.app.virtual_host);
    dev_folder = wide_of(state.settings.app.dev_folder);
  } catch (...) {
    return false;
  }
  const wchar_t* host = wide_host.c_str();
  bool serving = state.served == 2
                     ? serve_web_view_dev(web_view, host, state.settings.app.dev_url.c_str(), dev_folder.c_str())
                     : serve_web_view_archive(web_view, host, state.archive_index);
  if (!serving) return false;
  keep_web_view_within_app(web_view, nullptr, host, nullptr);
  serve_app_pages(state, host);
  text_scope scope;
  empty_text_at(scope.start());
  append_text(L"https://");
  append_text(host);
  append_text(L"/index.html");
  set_gadget_text(web_view, scope.text());
  return true;
}

// The address is the folder as it is, file://C:\T\webapp/index.html, but
// for the two characters an address reads otherwise: "#" would end the path
// at a fragment and "%" start an escape, so a temporary directory such as
// C:\Users\C#Dev\AppData\Local\Temp\ needs them escaped to be found.
//
// The window stays on the app it opens: the page's ways out go to the user's
// browser, or nowhere (runtime/browser/app_addresses.h).
void navigate(launcher_state& state) {
  if (state.served != 0 && navigate_to_virtual_host(state)) return;
  if (state.no_folder == 1) {
    keep_web_view_within_app(web_view, nullptr, nullptr, state.settings.start_address.c_str());
    set_gadget_text(web_view, state.settings.start_address.c_str());
    return;
  }
  keep_web_view_within_app(web_view, state.web_app_folder.c_str(), nullptr, nullptr);
  serve_app_pages(state, nullptr);
  text_scope scope;
  empty_text_at(scope.start());
  append_text(L"file://");
  for (const wchar_t* c = state.web_app_folder.c_str(); *c; ++c) {
    const wchar_t plain[] = {*c, 0};
    append_text(*c == L'%' ? L"%25" : *c == L'#' ? L"%23" : plain);
  }
  append_text(L"index.html");
  set_gadget_text(web_view, scope.text());
}

}  // namespace

void start_launcher_runtime() {
  runtime_globals_start();
  runtime_start();
}

bool open_web_app(launcher_state& state) {
  // A document that does not parse gives no settings at all: no window.
  if (!read_settings(state)) return false;
  phase_mark("settings");
  // A later start of a program that runs already ends here, before the
  // browser is asked for or anything is unpacked.
  if (state.settings.app.single_instance && !claim_single_instance(state.instance, state.settings.app.app_id.c_str()))
    return false;
  // The app's data goes by its id; a payload without one keeps the folder
  // named after the program's file, as before.
  // A dev run keeps its data apart from the users'.
  if (!state.settings.app.app_id.empty()) {
    try {
      const std::string& id = state.settings.app.app_id;
      webview::name_app_data_folder(wide_of(state.settings.app.dev_run() ? dev_data_name(id) : id).c_str());
    } catch (...) {
    }
  }
  // An update's leftovers go before anything else is written beside the program.
  try {
    state.updates = new program_updates(state.settings);
    remove_update_leftovers(state.updates->program);
  } catch (...) {
  }
  // The browser process takes from a fraction of a second to seconds to
  // start; it comes up while the window opens and the app is unpacked, and
  // the web view is made on it. Without a window it goes with the runtime's stop.
  prepare_web_view_environment();
  phase_mark("environment");
  bool served = index_served_app(state);
  if (examine_desktops() == 0) return false;
  place_window(state);
  if (!open_web_app_window(state)) return false;
  publish_instance_window(state.instance, window_handle(main_window));
  if (!served && !unpack(state)) return false;
  open_web_view(state.settings);
  navigate(state);
  return true;
}

void run_event_loop() {
  for (;;) {
    int64_t event = wait_window_event();
    if (event == event_size) {
      resize_gadget(web_view, 0, 0, (int32_t)window_inner_width(main_window),
                    (int32_t)window_inner_height(main_window));
      lay_out_runtime_notice(window_handle(main_window));
    }
    if (event == event_gadget && current_event().object == runtime_notice_button_id)
      open_runtime_download_page(window_handle(main_window));
    if (event == event_close) return;
  }
}

// Nothing outlives the run: the folder goes whichever way the run ends,
// and only after the window, so that the browser has let go of its files
// while OLE is still there for the web view's teardown. A later start of a
// single-instance program may run as soon as the window is gone.
void close_web_app(launcher_state& state) {
  HWND window = window_handle(main_window);
  if (window && state.settings.app.remember_window) remember_place(place_of_window(window));
  stop_page_api(state.page_api);
  state.page_api = nullptr;
  close_window(main_window);
  release_single_instance(state.instance);
  if (state.no_folder == 0) remove_web_app_folder(state.web_app_folder.c_str());
  if (!state.updates) return;
  // The program this one replaced ran until just now: it goes here when the
  // start came too soon for it.
  remove_update_leftovers(state.updates->program);
  start_updated_program(*state.updates);
  // A call's thread that still runs uses it until the process ends.
  if (!state.updates->calls.busy()) delete state.updates;
  state.updates = nullptr;
}

void stop_launcher_runtime() {
  runtime_stop();
  string_library_stop();
  HeapDestroy(runtime.heap);
}
