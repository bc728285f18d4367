// window-control for X (Linux): the same commands as the Windows helper, for
// scripts/run's Linux program.
//   window-control wait TITLE [SECONDS]  waits (30 s by default) until a
//       shown top-level window has this exact title and prints its inner
//       rectangle on the screen as "left top right bottom"
//   window-control close TITLE           asks that window to close, as its
//       close button does (WM_DELETE_WINDOW)
// Exit status 0 when the window was there, 1 when it was not, 2 for a wrong
// command line or no display.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "x11_windows.h"

int main(int argc, char** argv) {
  bool wait = argc >= 3 && std::strcmp(argv[1], "wait") == 0, close = argc == 3 && std::strcmp(argv[1], "close") == 0;
  Display* display = wait || close ? XOpenDisplay(nullptr) : nullptr;
  if (!display) {
    std::fprintf(stderr, "usage: window-control wait TITLE [SECONDS] | close TITLE (on the display $DISPLAY)\n");
    return 2;
  }
  int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
  Window window = close ? find_x_window(display, argv[2]) : wait_for_x_window(display, argv[2], seconds * 1000);
  screen_rect r;
  bool done = window && (close ? close_x_window(display, window) : x_window_rect(display, window, r));
  if (done && wait) std::printf("%d %d %d %d\n", r.left, r.top, r.left + r.width, r.top + r.height);
  XCloseDisplay(display);
  return done ? 0 : 1;
}
