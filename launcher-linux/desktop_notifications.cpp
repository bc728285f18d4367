#include "launcher-linux/desktop_notifications.h"

#include <map>

#include "launcher-linux/png_pixbuf.h"

namespace {

constexpr char service[] = "org.freedesktop.Notifications";
constexpr char path[] = "/org/freedesktop/Notifications";
// The icon as the service takes an image: 128 pixels are what it shows.
constexpr int icon_size = 128;

struct desktop_notifications {
  GtkWindow* window;
  std::string app_name;
  GdkPixbuf* icon = nullptr;
  GDBusConnection* bus = nullptr;
  guint clicks = 0, closes = 0;
  std::map<guint32, WebKitNotification*> shown;  // by the service's id, each held
};

GdkPixbuf* icon_of(const std::string& png) {
  GdkPixbuf* read = pixbuf_of_png(png);
  if (!read) return nullptr;
  GdkPixbuf* icon = gdk_pixbuf_scale_simple(read, icon_size, icon_size, GDK_INTERP_BILINEAR);
  g_object_unref(read);
  return icon;
}

// The image-data hint: (iiibiiay) width, height, rowstride, alpha, bits,
// channels and the pixels.
GVariant* image_data(GdkPixbuf* icon) {
  GBytes* pixels = gdk_pixbuf_read_pixel_bytes(icon);
  GVariant* data = g_variant_new_from_bytes(G_VARIANT_TYPE("ay"), pixels, TRUE);
  g_bytes_unref(pixels);
  return g_variant_new("(iiibii@ay)", gdk_pixbuf_get_width(icon), gdk_pixbuf_get_height(icon),
                       gdk_pixbuf_get_rowstride(icon), gdk_pixbuf_get_has_alpha(icon),
                       gdk_pixbuf_get_bits_per_sample(icon), gdk_pixbuf_get_n_channels(icon), data);
}

guint32 id_of(const desktop_notifications& d, WebKitNotification* notification) {
  for (const auto& [id, shown] : d.shown)
    if (shown == notification) return id;
  return 0;
}

void forget(desktop_notifications* d, guint32 id) {
  auto at = d->shown.find(id);
  if (at == d->shown.end()) return;
  g_object_unref(at->second);
  d->shown.erase(at);
}

void clicked(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters, gpointer data) {
  auto* d = (desktop_notifications*)data;
  guint32 id;
  const char* action;
  g_variant_get(parameters, "(u&s)", &id, &action);
  auto at = d->shown.find(id);
  if (at == d->shown.end() || g_strcmp0(action, "default") != 0) return;
  gtk_window_present(d->window);
  webkit_notification_clicked(at->second);
}

void closed_by_desktop(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
                       gpointer data) {
  guint32 id, reason;
  g_variant_get(parameters, "(uu)", &id, &reason);
  forget((desktop_notifications*)data, id);
}

bool connect_bus(desktop_notifications* d) {
  if (d->bus) return true;
  d->bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!d->bus) return false;
  d->clicks = g_dbus_connection_signal_subscribe(d->bus, service, service, "ActionInvoked", path, nullptr,
                                                 G_DBUS_SIGNAL_FLAGS_NONE, clicked, d, nullptr);
  d->closes = g_dbus_connection_signal_subscribe(d->bus, service, service, "NotificationClosed", path, nullptr,
                                                 G_DBUS_SIGNAL_FLAGS_NONE, closed_by_desktop, d, nullptr);
  return true;
}

struct pending_notify {
  desktop_notifications* d;
  WebKitNotification* notification;
};

void notified(GObject* bus, GAsyncResult* result, gpointer data) {
  auto* pending = (pending_notify*)data;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, nullptr);
  if (reply) {
    guint32 id;
    g_variant_get(reply, "(u)", &id);
    g_variant_unref(reply);
    forget(pending->d, id);
    pending->d->shown[id] = pending->notification;
  } else {
    g_object_unref(pending->notification);
  }
  delete pending;
}

void closed_by_page(WebKitNotification* notification, desktop_notifications* d) {
  guint32 id = id_of(*d, notification);
  if (!id || !d->bus) return;
  g_dbus_connection_call(d->bus, service, path, service, "CloseNotification", g_variant_new("(u)", id), nullptr,
                         G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
}

gboolean show(WebKitWebView*, WebKitNotification* notification, desktop_notifications* d) {
  if (!connect_bus(d)) return TRUE;
  GVariantBuilder actions, hints;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&actions, "s", "default");
  g_variant_builder_add(&actions, "s", "Open");
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  if (d->icon) g_variant_builder_add(&hints, "{sv}", "image-data", image_data(d->icon));
  const char* title = webkit_notification_get_title(notification);
  const char* body = webkit_notification_get_body(notification);
  g_signal_connect(notification, "closed", G_CALLBACK(closed_by_page), d);
  auto* pending = new pending_notify{d, (WebKitNotification*)g_object_ref(notification)};
  g_dbus_connection_call(d->bus, service, path, service, "Notify",
                         g_variant_new("(susss@as@a{sv}i)", d->app_name.c_str(), 0u, "", title ? title : "",
                                       body ? body : "", g_variant_builder_end(&actions),
                                       g_variant_builder_end(&hints), -1),
                         G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, notified, pending);
  return TRUE;
}

void release(gpointer data) {
  auto* d = (desktop_notifications*)data;
  for (const auto& [id, notification] : d->shown) g_object_unref(notification);
  if (d->bus) {
    g_dbus_connection_signal_unsubscribe(d->bus, d->clicks);
    g_dbus_connection_signal_unsubscribe(d->bus, d->closes);
    g_object_unref(d->bus);
  }
  if (d->icon) g_object_unref(d->icon);
  delete d;
}

}  // namespace

void show_notifications_on_desktop(WebKitWebView* view, GtkWindow* window, const std::string& app_name,
                                   const std::string& icon_png) {
  auto* d = new desktop_notifications{window, app_name, icon_of(icon_png), nullptr, 0, 0, {}};
  g_object_set_data_full(G_OBJECT(view), "wapp-notifications", d, release);
  g_signal_connect(view, "show-notification", G_CALLBACK(show), d);
}
