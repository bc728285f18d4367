// Test helper: stands in for the user's default browser. Registered as the
// shell's command for https addresses, it is started with the address a
// program asked the shell to open and adds it to the fake WebView2 runtime's
// log, which it finds in the environment it inherited from that program, as
// the line "opened <address>".
#include "fakes/fake_webview2.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  append_fake_log_line("opened", utf8_of(argv[1]));
  return 0;
}
