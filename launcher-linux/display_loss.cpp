#include "launcher-linux/display_loss.h"

#include <unistd.h>

#include <gdk/gdkx.h>

#include "launcher-linux/background_unpacking.h"

namespace {

app_folder* watched_folder;

// Xlib ends the process itself when this returns, so it never does.
int end_without_display(Display*) {
  stop_background_unpacking();
  if (watched_folder) remove_app_folder(*watched_folder);
  _exit(0);
}

}  // namespace

void remove_folder_when_display_is_lost(app_folder& folder) {
  if (!GDK_IS_X11_DISPLAY(gdk_display_get_default())) return;
  watched_folder = &folder;
  XSetIOErrorHandler(end_without_display);
}
