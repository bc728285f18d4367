#pragma once
// Top-level windows of an X display, found by their title, for scripts/run
// and the Linux launcher's tests: where a window is on the screen, what the
// screen shows there, which window is in front, moving one as the user
// would, and asking it to close as its close button would.
#include <cstdint>
#include <string>

#include <X11/Xlib.h>

struct screen_rect {
  int left, top, width, height;
};

// The shown top-level window of exactly this title (_NET_WM_NAME, else
// WM_NAME), or 0.
Window find_x_window(Display* display, const std::string& title);

// Waits up to timeout_ms for the window; 0 when it did not come.
Window wait_for_x_window(Display* display, const std::string& title, int timeout_ms);

// The window's inner area on the screen; false when it is gone.
bool x_window_rect(Display* display, Window window, screen_rect& rect);

// The colour the screen shows at a point, as 0xRRGGBB.
uint32_t screen_pixel(Display* display, int x, int y);

// Sends WM_DELETE_WINDOW, which is what a window manager sends for the
// close button; false when the window does not take it.
bool close_x_window(Display* display, Window window);

// The shown top-level window in front of all others, or 0.
Window front_x_window(Display* display);

// Moves and sizes the window as a window manager does when the user drags
// it (inner size); true once the server has it.
bool place_x_window(Display* display, Window window, int left, int top, int width, int height);
