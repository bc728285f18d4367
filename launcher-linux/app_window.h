#pragma once
// The app's one window, shaped by the settings as far as GTK and the window
// manager allow: the inner size in logical pixels, centred on the primary
// monitor (or filling it, for Fullscreen); the title; a sizing border only
// when Resizable; no decoration when Frameless; kept above the others for
// AlwaysOnTop; and the minimize and maximize buttons as asked, which only
// window managers that read the Motif hints honour. Wayland lets no program
// place its window, nor keep it above.
#include <gtk/gtk.h>

#include "launcher-linux/settings.h"
#include "launcher-common/window_place.h"

// Holds `content`, shown; the window is not yet on the screen until the
// main loop runs. With a place where the last run left it (`left`), the
// window opens there instead: as large as it was when the user can size
// it, maximized when it was and may be, and a full screen on the monitor
// it was on.
GtkWindow* open_app_window(const launcher_settings& settings, GtkWidget* content, const window_place* left);
