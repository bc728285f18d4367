#pragma once
// A stand-in for the desktop's notification service on a session bus of the
// test's own: it takes each Notify call, keeps what it was given, and can
// click a notification as a user would.
#include <vector>

#include "bus_stand_in.h"

struct notify_call {
  std::string app_name, summary, body;
  int image_width = 0;
  uint32_t image_first_pixel = 0;  // RGBA
  uint32_t id = 0;
};

class notification_stand_in {
 public:
  explicit notification_stand_in(const fs::path& folder)
      : bus_(folder, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
             "<node><interface name='org.freedesktop.Notifications'>"
             "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
             "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
             "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
             "<arg type='u' direction='out'/></method>"
             "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
             "</interface></node>",
             called, this) {}
  std::string address() const { return bus_.address(); }

  std::vector<notify_call> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<notify_call> wait_for_calls(size_t count, int timeout_ms = 15000) {
    for (int waited = 0; calls().size() < count && waited < timeout_ms; waited += 50)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return calls();
  }
  // The user clicks the notification: ActionInvoked with "default".
  void click(uint32_t id) {
    g_dbus_connection_emit_signal(bus_.bus(), nullptr, "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications", "ActionInvoked", g_variant_new("(us)", id, "default"),
                                  nullptr);
    g_dbus_connection_flush_sync(bus_.bus(), nullptr, nullptr);
  }

 private:
  static void called(void* self, const char*, const char* method, GVariant* parameters,
                     GDBusMethodInvocation* invocation) {
    auto* stand_in = (notification_stand_in*)self;
    if (g_strcmp0(method, "Notify") != 0) return g_dbus_method_invocation_return_value(invocation, nullptr);
    const char *app, *icon, *summary, *body;
    guint32 replaces;
    GVariant *actions, *hints;
    gint32 timeout;
    g_variant_get(parameters, "(&su&s&s&s@as@a{sv}i)", &app, &replaces, &icon, &summary, &body, &actions, &hints,
                  &timeout);
    notify_call call{app, summary, body};
    if (GVariant* image = g_variant_lookup_value(hints, "image-data", G_VARIANT_TYPE("(iiibiiay)"))) {
      gint32 width, height, stride, bits, channels;
      gboolean alpha;
      GVariant* pixels;
      g_variant_get(image, "(iiibii@ay)", &width, &height, &stride, &alpha, &bits, &channels, &pixels);
      gsize size = 0;
      auto* bytes = (const uint8_t*)g_variant_get_fixed_array(pixels, &size, 1);
      call.image_width = width;
      if (size >= 4) call.image_first_pixel = (uint32_t)bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
      g_variant_unref(pixels);
      g_variant_unref(image);
    }
    g_variant_unref(actions);
    g_variant_unref(hints);
    std::lock_guard<std::mutex> lock(stand_in->mutex_);
    call.id = (uint32_t)stand_in->calls_.size() + 1;
    stand_in->calls_.push_back(call);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", call.id));
  }

  std::mutex mutex_;
  std::vector<notify_call> calls_;
  bus_stand_in bus_;
};
