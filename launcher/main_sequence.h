#pragma once
// The launcher's run, step by step, apart from the process entry point: the
// runtime is started, the window opened from a payload, the event loop run,
// and everything cleaned up and stopped again. The entry point ends the
// process after the last step; a test may run the same steps in its own
// process, as often as it likes.
#include <windows.h>

#include <cstdint>

#include "launcher/page_api_host.h"
#include "launcher/payload_trailer.h"
#include "launcher/settings.h"
#include "launcher/single_instance.h"
#include "launcher-common/window_place.h"
#include "payload/zip_index.h"
#include "runtime/core/strings.h"
#include "runtime/json/json.h"

struct launcher_state {
  payload_record payload;
  string_var settings_text;
  const json_value* root;
  launcher_settings settings;
  int64_t x, y;      // logical units
  RECT full_screen;  // device pixels: the outer rectangle a full-screen window is fitted to
  string_var web_app_folder;
  int64_t no_folder;  // 1 when the web app folder is the empty text
  int64_t exit_code;
  single_instance_claim instance;  // held for the run, with SingleInstance
  // With RememberWindow: the place stored by the last run, when it is to
  // be restored.
  bool restore_place;
  window_place remembered;
  // An app with a VirtualHost is served from its archive, through this
  // index of the payload's archive block, and is not unpacked at all.
  int64_t served;  // 1 when the index could be read; 2 for a dev run's dev server or folder
  zip_index archive_index;
  // window.wapp for the app's own pages, when the app comes from an archive.
  page_api_host* page_api;
  // wapp.update's calls and the program they replace.
  struct program_updates* updates;
};

// The runtime heap and every runtime library; the payload can be read then.
void start_launcher_runtime();

// From the payload in the state to the window showing the web app, in this
// order: settings; with SingleInstance, the claim, or the end of the start
// when another copy runs (its window brought to the front); the browser's
// environment asked for, so that the browser process starts meanwhile; stale
// folders swept; the window, shown at once; for an app with a VirtualHost
// the archive's index, else the app unpacked (the folder claimed, the
// archive written and extracted) while the window is answered; the web view,
// made on that environment once it is ready (messages are dispatched while
// it is not); the navigation. Without a WebView2 runtime the window says so
// instead. False when no window was opened (settings that do not parse, no
// desktop, a window the system would not make, another copy running) or it
// was closed while the app was unpacked; the event loop is then skipped, and
// the environment goes with the runtime's stop. With RememberWindow the
// window opens where the last run left it.
bool open_web_app(launcher_state& state);

// Returns once the window has been closed: by its close box, by the page
// (window.close()) or from outside.
void run_event_loop();

// Stores the window's place (RememberWindow), closes the window, lets a
// single-instance claim go and removes the web app folder, if there is one.
void close_web_app(launcher_state& state);

// Stops every runtime library and frees their heaps. The state's texts lived
// in the string heap and are gone with it, so the state is not used again.
void stop_launcher_runtime();
