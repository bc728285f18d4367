#include "launcher/main_sequence.h"

#include <windows.h>

#include <cwchar>

#include "launcher/web_app_folder.h"
#include "payload/virtual_host.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/gadget/gadget.h"
#include "runtime/gadget/web_view.h"
#include "runtime/startup/runtime.h"
#include "runtime/window/desktops.h"
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

void unpack(launcher_state& state) {
  int64_t start = accumulator.offset;
  const wchar_t* folder = unpack_web_app(state.payload.archive_block, state.payload.archive_length, start);
  state.web_app_folder.store(start);
  // A folder whose name could not be kept (out of memory) could not be
  // removed at the end: it goes now, and the start address is shown.
  if (folder && folder[0] && state.web_app_folder.empty()) remove_web_app_folder(folder);
  state.no_folder = state.web_app_folder.empty() ? 1 : 0;
}

// Desktop sizes are device pixels and window geometry logical units; they
// are used as they are, which agrees at 96 dpi.
void place_window(launcher_state& state) {
  launcher_settings& s = state.settings;
  if (s.fullscreen == 1) {
    s.window_width = desktop_width(0);
    s.window_height = desktop_height(0);
    state.x = 0;
    state.y = 0;
    return;
  }
  state.x = (desktop_width(0) - s.window_width) / 2;
  state.y = (desktop_height(0) - s.window_height) / 2;
}

void open_web_app_window(const launcher_state& state) {
  const launcher_settings& s = state.settings;
  open_window(main_window, (int32_t)state.x, (int32_t)state.y, (int32_t)s.window_width, (int32_t)s.window_height,
              s.window_title.c_str(), s.window_flags);
  if (s.always_on_top != 0)
    SetWindowPos(window_handle(main_window), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  // The web view fills the inner area the window really got, which is the
  // size asked for unless the system held the window smaller: a captioned
  // window as large as the desktop inside is more than it allows, and a web
  // view of the asked size would hide the foot of the page.
  create_web_view_gadget(web_view, 0, 0, (int32_t)window_inner_width(main_window),
                         (int32_t)window_inner_height(main_window));
}

// The browser is handed the folder the way Windows writes it:
// C:\T\webapp/ becomes C:\T\webapp.
void plain_windows_path(const wchar_t* folder, path_text& path) {
  int length = copy_path(path, folder);
  for (int i = 0; i < length; i++)
    if (path[i] == L'/') path[i] = L'\\';
  if (length > 0 && path[length - 1] == L'\\') path[length - 1] = 0;
}

// Serves the folder over https under the settings' host name, which gives
// module scripts and fetch the real origin a file:// page lacks. False, and
// nothing navigated, for a text that is not a host name or a runtime without
// virtual hosts.
bool navigate_to_virtual_host(const launcher_state& state) {
  const wchar_t* host = state.settings.virtual_host.c_str();
  if (!is_virtual_host_name(host, wcslen(host))) return false;
  path_text folder;
  plain_windows_path(state.web_app_folder.c_str(), folder);
  if (!map_web_view_host(web_view, host, folder)) return false;
  text_scope scope;
  empty_text_at(scope.start());
  append_text(L"https://");
  append_text(host);
  append_text(L"/index.html");
  set_gadget_text(web_view, scope.text());
  return true;
}

// The address is plain concatenation: file://C:\T\webapp/index.html.
void navigate(const launcher_state& state) {
  if (state.no_folder == 1) {
    set_gadget_text(web_view, state.settings.start_address.c_str());
    return;
  }
  if (navigate_to_virtual_host(state)) return;
  text_scope scope;
  empty_text_at(scope.start());
  append_text(L"file://");
  append_text(state.web_app_folder.c_str());
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
  unpack(state);
  if (examine_desktops() == 0) return false;
  place_window(state);
  open_web_app_window(state);
  navigate(state);
  return true;
}

void run_event_loop() {
  for (;;) {
    int64_t event = wait_window_event();
    if (event == event_size)
      resize_gadget(web_view, 0, 0, (int32_t)window_inner_width(main_window),
                    (int32_t)window_inner_height(main_window));
    if (event == event_close) return;
  }
}

// Nothing outlives the run: the folder goes whichever way the run ends,
// and only after the window, so that the browser has let go of its files
// while OLE is still there for the web view's teardown.
void close_web_app(const launcher_state& state) {
  close_window(main_window);
  if (state.no_folder == 0) remove_web_app_folder(state.web_app_folder.c_str());
}

void stop_launcher_runtime() {
  runtime_stop();
  string_library_stop();
  HeapDestroy(runtime.heap);
}
