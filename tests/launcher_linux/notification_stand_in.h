#pragma once
// A session bus of the test's own (dbus-daemon) with a stand-in for the
// desktop's notification service on it: it takes each Notify call, keeps
// what it was given, and can click a notification as a user would.
#include <gio/gio.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "linux_launcher_support.h"

struct notify_call {
  std::string app_name, summary, body;
  int image_width = 0;
  uint32_t image_first_pixel = 0;  // RGBA
  uint32_t id = 0;
};

class notification_stand_in {
 public:
  explicit notification_stand_in(const fs::path& folder) : socket_(folder / "bus") {
    daemon_ = start_process({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket_.string()},
                            {"PATH=/usr/bin:/bin"});
    for (int waited = 0; !fs::exists(socket_) && waited < 10000; waited += 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    std::promise<void> ready;
    thread_ = std::thread([this, &ready] { serve(ready); });
    ready.get_future().wait();
  }
  ~notification_stand_in() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
  }
  std::string address() const { return "unix:path=" + socket_.string(); }

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
    g_dbus_connection_emit_signal(bus_, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                  "ActionInvoked", g_variant_new("(us)", id, "default"), nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }

 private:
  void serve(std::promise<void>& ready) {
    g_main_context_push_thread_default(context_);
    bus_ = g_dbus_connection_new_for_address_sync(
        address().c_str(),
        (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(
        "<node><interface name='org.freedesktop.Notifications'>"
        "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
        "<arg type='u' direction='out'/></method>"
        "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
        "</interface></node>",
        nullptr);
    static const GDBusInterfaceVTable table = {called, nullptr, nullptr, {}};
    if (bus_) {
      g_dbus_connection_register_object(bus_, "/org/freedesktop/Notifications", node->interfaces[0], &table, this,
                                        nullptr, nullptr);
      GVariant* owned = g_dbus_connection_call_sync(
          bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
          g_variant_new("(su)", "org.freedesktop.Notifications", 0u), nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
          nullptr);
      if (owned) g_variant_unref(owned);
    }
    g_dbus_node_info_unref(node);
    ready.set_value();
    g_main_loop_run(loop_);
    if (bus_) g_object_unref(bus_);
    g_main_context_pop_thread_default(context_);
  }

  static void called(GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* parameters,
                     GDBusMethodInvocation* invocation, gpointer self) {
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

  fs::path socket_;
  pid_t daemon_ = -1;
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<notify_call> calls_;
};
