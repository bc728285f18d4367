#pragma once
// The window's place kept between runs, when the settings ask for it
// (RememberWindow): window.json (launcher-common/window_place.h) in the program's
// own data folder, %APPDATA%\<program file name>, beside the browser's user
// data. Screen pixels: the outer rectangle as GetWindowRect has it.
#include <windows.h>

#include "launcher-common/window_place.h"

// The stored place, when the file holds a sound one that lies on one of the
// displays that the last examine_desktops found.
bool remembered_place(window_place& place);

// The window's place as it is now: its rectangle, or while it is minimized
// or maximized the one it would be restored to, and whether it is maximized
// (or would be, restored from the taskbar).
window_place place_of_window(HWND window);

// Writes the place through a temporary file and a rename, so that the file
// is always the last whole one; a failure leaves the old file, and no
// temporary one.
void remember_place(const window_place& place);
