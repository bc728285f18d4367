#include "launcher-linux/app_window.h"

#include <algorithm>

#include "launcher-linux/png_pixbuf.h"

namespace {

// GTK wants sizes a window can have: what Windows would pass on as it is
// (0, a negative number) opens the smallest window instead.
constexpr int64_t largest_size = 32767;

int window_size(int64_t setting) { return (int)std::clamp<int64_t>(setting, 1, largest_size); }

// The monitor a full screen fills, and its number among the display's: the
// one under the middle of the top edge of where the window was left, else
// the primary monitor, or the first where none is set as primary.
GdkMonitor* screen_monitor(GdkDisplay* display, const window_place* left, int& number) {
  GdkMonitor* chosen = left ? gdk_display_get_monitor_at_point(display, left->x + left->width / 2, left->y)
                            : gdk_display_get_primary_monitor(display);
  number = 0;
  for (int i = 0; i < gdk_display_get_n_monitors(display); i++)
    if (gdk_display_get_monitor(display, i) == chosen) number = i;
  return chosen ? chosen : gdk_display_get_monitor(display, 0);
}

// The buttons and functions the window manager offers, as hints on the
// window's X window before it is mapped.
void ask_for_buttons(GtkWindow* app_window, const launcher_settings& settings) {
  gtk_widget_realize(GTK_WIDGET(app_window));
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(app_window));
  int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE, decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
  if (settings.resizable || settings.fullscreen) functions |= GDK_FUNC_RESIZE, decorations |= GDK_DECOR_RESIZEH;
  if (settings.show_minimize_button) functions |= GDK_FUNC_MINIMIZE, decorations |= GDK_DECOR_MINIMIZE;
  if (settings.show_maximize_button) functions |= GDK_FUNC_MAXIMIZE, decorations |= GDK_DECOR_MAXIMIZE;
  gdk_window_set_functions(window, (GdkWMFunction)functions);
  gdk_window_set_decorations(window, (GdkWMDecoration)decorations);
}

// The packed icon on the window (_NET_WM_ICON), where task switchers and
// panels find it, in the sizes they ask for most.
void show_icon(GtkWindow* window, const std::string& png) {
  GdkPixbuf* icon = pixbuf_of_png(png);
  if (!icon) return;
  GList* sizes = nullptr;
  int width = gdk_pixbuf_get_width(icon);
  for (int size : {16, 32, 48, 64, 128})
    if (size < width) sizes = g_list_append(sizes, gdk_pixbuf_scale_simple(icon, size, size, GDK_INTERP_BILINEAR));
  sizes = g_list_append(sizes, icon);
  gtk_window_set_icon_list(window, sizes);
  g_list_free_full(sizes, g_object_unref);
}

}  // namespace

GtkWindow* open_app_window(const launcher_settings& settings, GtkWidget* content, const window_place* left) {
  auto* window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_title(window, settings.window_title.c_str());
  show_icon(window, settings.icon_png);
  int monitor_number;
  GdkMonitor* monitor =
      screen_monitor(gtk_widget_get_display(GTK_WIDGET(window)), settings.fullscreen ? left : nullptr, monitor_number);
  GdkRectangle screen = {0, 0, 0, 0};
  if (monitor) gdk_monitor_get_geometry(monitor, &screen);
  // The user can size a window with a sizing border and a frame to hold it.
  const bool sized_by_user = left && settings.resizable && !settings.frameless;
  int width = settings.fullscreen ? screen.width : window_size(sized_by_user ? left->width : settings.window_width);
  int height = settings.fullscreen ? screen.height : window_size(sized_by_user ? left->height : settings.window_height);
  // A window of fixed size takes its content's; one that can be resized
  // starts at its default size and may become smaller. A full screen is
  // never of fixed size: window managers refuse to fill a screen with one.
  if (settings.resizable || settings.fullscreen) {
    gtk_window_set_default_size(window, width, height);
  } else {
    gtk_widget_set_size_request(content, width, height);
    gtk_window_set_resizable(window, FALSE);
  }
  // Centred as the Windows launcher centres: by the inner size.
  if (left && !settings.fullscreen)
    gtk_window_move(window, left->x, left->y);
  else
    gtk_window_move(window, screen.x + (settings.fullscreen ? 0 : (screen.width - width) / 2),
                    screen.y + (settings.fullscreen ? 0 : (screen.height - height) / 2));
  if (left && left->maximized && !settings.fullscreen && settings.show_maximize_button && !settings.frameless)
    gtk_window_maximize(window);
  if (settings.always_on_top) gtk_window_set_keep_above(window, TRUE);
  if (settings.fullscreen) gtk_window_fullscreen_on_monitor(window, gtk_window_get_screen(window), monitor_number);
  gtk_container_add(GTK_CONTAINER(window), content);
  if (settings.frameless)
    gtk_window_set_decorated(window, FALSE);
  else
    ask_for_buttons(window, settings);
  gtk_widget_show_all(GTK_WIDGET(window));
  return window;
}
