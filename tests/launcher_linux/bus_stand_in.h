#pragma once
// A session bus of the test's own (dbus-daemon) with a stand-in for one of
// the desktop's services on it: the stand-in owns its name, serves one
// object from an introspection text, and answers calls on a thread of its
// own through answer(), which each stand-in gives.
#include <gio/gio.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "linux_launcher_support.h"

class bus_stand_in {
 public:
  using answer_fn = void (*)(void* self, const char* sender, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation);
  bus_stand_in(const fs::path& folder, const char* name, const char* path, const char* xml, answer_fn answer,
               void* self)
      : socket_(folder / "bus"), answer_(answer), self_(self) {
    daemon_ = start_process({"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket_.string()},
                            {"PATH=/usr/bin:/bin"});
    for (int waited = 0; !fs::exists(socket_) && waited < 10000; waited += 20)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    std::promise<void> ready;
    thread_ = std::thread([&] { serve(ready, name, path, xml); });
    ready.get_future().wait();
  }
  ~bus_stand_in() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
  }
  std::string address() const { return "unix:path=" + socket_.string(); }
  // The stand-in's own connection, for signals and for calls of the test's.
  GDBusConnection* bus() const { return bus_; }

 private:
  void serve(std::promise<void>& ready, const char* name, const char* path, const char* xml) {
    g_main_context_push_thread_default(context_);
    bus_ = g_dbus_connection_new_for_address_sync(
        address().c_str(),
        (GDBusConnectionFlags)(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                               G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
    static const GDBusInterfaceVTable table = {called, nullptr, nullptr, {}};
    if (bus_) {
      g_dbus_connection_register_object(bus_, path, node->interfaces[0], &table, this, nullptr, nullptr);
      GVariant* owned = g_dbus_connection_call_sync(bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                    "org.freedesktop.DBus", "RequestName", g_variant_new("(su)", name, 0u),
                                                    nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
      if (owned) g_variant_unref(owned);
    }
    g_dbus_node_info_unref(node);
    ready.set_value();
    g_main_loop_run(loop_);
    if (bus_) g_object_unref(bus_);
    g_main_context_pop_thread_default(context_);
  }

  static void called(GDBusConnection*, const char* sender, const char*, const char*, const char* method,
                     GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
    auto* stand_in = (bus_stand_in*)self;
    stand_in->answer_(stand_in->self_, sender, method, parameters, invocation);
  }

  fs::path socket_;
  answer_fn answer_;
  void* self_;
  pid_t daemon_ = -1;
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  GDBusConnection* bus_ = nullptr;
  std::thread thread_;
};
