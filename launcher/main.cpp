// launcher.exe: reads the payload appended to its own file, shows the web
// app in one window filled by a web view (served from the archive under its
// host, or unpacked for a file:// app), and cleans up after the window is
// closed. It reports nothing and always ends with exit code 0.
#include <windows.h>

#include "launcher/main_sequence.h"
#include "launcher/phase_marks.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  phase_mark("entry");
  launcher_state state{};
  start_launcher_runtime();
  phase_mark("runtime");
  state.payload = read_payload_trailer();
  phase_mark("payload");
  if (open_web_app(state)) run_event_loop();
  close_web_app(state);
  release_payload_trailer(state.payload);
  stop_launcher_runtime();
  ExitProcess((UINT)state.exit_code);
}
