#pragma once
// Where the user left the app's window, kept between runs when the settings
// ask for it (RememberWindow): a small JSON file of the launchers' own in the
// app's data folder, one object of five members,
//   {"x": 120, "y": 80, "width": 1024, "height": 768, "maximized": false}
// On Windows the window's outer rectangle in screen pixels; on Linux its
// position and inner size in GTK's logical pixels. Either way the place it
// had when last neither minimized nor maximized, and whether it was
// maximized when it closed. Portable, for both launchers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr char window_place_file[] = "window.json";
// Larger files are not ours.
constexpr size_t window_place_file_limit = 4096;

struct window_place {
  int32_t x, y, width, height;
  bool maximized;
};

// One screen (a monitor) in the units of the place.
struct screen_area {
  int32_t x, y, width, height;
};

// The file's text, ending in a line break.
std::string window_place_text(const window_place& place);

// The place a file holds, when its text is exactly such an object: each of
// the five members once, in any order, with white space anywhere between;
// integers within a million either way, sizes at least 1. Anything else (a
// file cut short, another program's, a hand-edited one gone wrong) is false,
// and the window opens as it would without one.
bool read_window_place(std::string_view text, window_place& place);

// Whether the window, put at the place, could be reached and moved: its top
// edge (where a title bar is) lies on one of the screens, with room below it
// for a title bar, over some of the window's width. A place on a monitor
// that has gone, or beyond a resolution since made smaller, is not.
bool lies_on_a_screen(const window_place& place, const screen_area* screens, size_t count);

// The place made to fit the area (a screen's work area): no larger than it,
// moved inside it as far as it reached out. A window larger than its screen
// would open with parts out of reach, and one of tens of thousands of
// pixels leaves the engine no surface to draw on.
window_place fitted_to(const window_place& place, const screen_area& area);
