#include "launcher-linux/window_memory.h"

#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launcher-linux/folder_tree.h"

namespace {

bool read_place_file(const std::string& path, std::string& text) {
  descriptor file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!file) return false;
  char bytes[window_place_file_limit + 1];
  size_t got = 0;
  for (ssize_t n; got < sizeof bytes && (n = read(file.value, bytes + got, sizeof bytes - got)) != 0; got += (size_t)n)
    if (n < 0) return false;
  if (got > window_place_file_limit) return false;
  text.assign(bytes, got);
  return true;
}

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
  return display && read_place_file(data_folder + "/" + window_place_file, text) && read_window_place(text, place) &&
         on_a_monitor(place, display);
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
  const std::string path = data_folder + "/" + window_place_file;
  // Two copies of the program closing at once each write a file of their own.
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  const std::string text = window_place_text(place);
  descriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file) return;
  bool whole = write(file.value, text.data(), text.size()) == (ssize_t)text.size() && fsync(file.value) == 0;
  file = descriptor();
  if (!whole || rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}
