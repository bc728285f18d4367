#pragma once
// The window's place kept between runs, when the settings ask for it
// (RememberWindow): window.json (launcher-common/window_place.h) in the program's
// own data folder, $XDG_DATA_HOME/<program name>, beside the page's data.
// GTK's logical pixels: the window's position as gtk_window_get_position
// has it and its inner size as gtk_window_get_size has it, which are what
// gtk_window_move and the default size take back.
#include <string>

#include <gtk/gtk.h>

#include "launcher-common/window_place.h"

// The place the window is to keep, followed while it lives.
struct followed_place {
  window_place place;
  bool known = false;
};

// The stored place, when the file holds a sound one that lies on one of
// the display's monitors.
// The work area (the monitor less the desktop's panels) of the monitor at a point.
screen_area work_area_at(GdkDisplay* display, int x, int y);

bool remembered_place(const std::string& data_folder, GdkDisplay* display, window_place& place);

// Follows the window's place from now on: its position and size whenever
// it is neither maximized nor minimized, and whether it is maximized. The
// record must outlive the window.
void follow_window_place(GtkWindow* window, followed_place& followed);

// Writes the place through a temporary file and a rename, so that the file
// is always the last whole one; a failure leaves the old file, and no
// temporary one.
void remember_place(const std::string& data_folder, const window_place& place);
