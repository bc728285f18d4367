#pragma once
// The window also goes when the display does (the X server ends, the
// session is left): GDK then ends the process at once, with exit code 1 and
// no clean-up. On X11 the launcher takes that moment over: it stops an
// unpacking that still runs, removes the folder and ends with exit code 0,
// as for any other way the window goes.
#include "launcher-linux/app_folder.h"

// The folder must live as long as the display is watched, which is until
// the process ends.
void remove_folder_when_display_is_lost(app_folder& folder);
