#include "launcher-linux/window_memory.h"

#include <vector>

#include "launcher-linux/file_replacement.h"

namespace {

bool on_a_monitor(const window_place& place, GdkDisplay* display) {
  std::vector<screen_area> screens;
  for (int i = 0; i < gdk_display_get_n_monitors(display); i++) {
    GdkRectangle area;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &area);
    screens.push_back({area.x, area.y, area.width, area.height});
  }
  return lies_on_a_screen(place, screens.data(), screens.size());
}

// On every move and size change, and when the window is first shown: a
// window placed before it was mapped may never be told of a change.
gboolean on_configure(GtkWidget* widget, GdkEvent*, gpointer data) {
  auto* followed = (followed_place*)data;
  GdkWindow* window = gtk_widget_get_window(widget);
  GdkWindowState state = window ? gdk_window_get_state(window) : (GdkWindowState)0;
  if (!(state & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_ICONIFIED))) {
    window_place& p = followed->place;
    gtk_window_get_position(GTK_WINDOW(widget), &p.x, &p.y);
    gtk_window_get_size(GTK_WINDOW(widget), &p.width, &p.height);
    followed->known = true;
  }
  return FALSE;
}

gboolean on_state(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  auto* followed = (followed_place*)data;
  // A minimized window keeps what it was: it comes back maximized or not.
  if (!(event->new_window_state & GDK_WINDOW_STATE_ICONIFIED))
    followed->place.maximized = event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED;
  return FALSE;
}

}  // namespace

bool remembered_place(const std::string& data_folder, GdkDisplay* display, window_place& place) {
  std::string text;
  std::string problem;
  if (!display ||
      !read_file_at_most(data_folder + "/" + window_place_file, window_place_file_limit, file_owner::launcher, text,
                         problem) ||
      text.size() > window_place_file_limit || !read_window_place(text, place) || !on_a_monitor(place, display))
    return false;
  place = fitted_to(place, work_area_at(display, place.x, place.y));
  return true;
}

screen_area work_area_at(GdkDisplay* display, int x, int y) {
  GdkRectangle area = {0, 0, 1, 1};
  if (GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, x, y)) gdk_monitor_get_workarea(monitor, &area);
  return {area.x, area.y, area.width, area.height};
}

void follow_window_place(GtkWindow* window, followed_place& followed) {
  g_signal_connect(window, "configure-event", G_CALLBACK(on_configure), &followed);
  g_signal_connect(window, "map-event", G_CALLBACK(on_configure), &followed);
  g_signal_connect(window, "window-state-event", G_CALLBACK(on_state), &followed);
}

void remember_place(const std::string& data_folder, const window_place& place) {
  // WebKit makes the folder once the page stores something; a page that
  // stores nothing leaves it to us.
  if (g_mkdir_with_parents(data_folder.c_str(), 0700) != 0) return;
  std::string problem;
  replace_file(data_folder + "/" + window_place_file, window_place_text(place), file_owner::launcher, problem);
}
