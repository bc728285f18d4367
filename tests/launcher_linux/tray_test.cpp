// The app's tray icon on Linux with the real engine and the real
// libayatana-appindicator3, seen from a stand-in for the desktop's
// StatusNotifierWatcher on a session bus of the test's own: the item it
// registers, its menu driven through com.canonical.dbusmenu as a panel
// drives it, and closing to the tray.
#include "bus_stand_in.h"
#include "png_icon.h"

namespace {

class tray_watcher_stand_in {
 public:
  explicit tray_watcher_stand_in(const fs::path& folder)
      : bus_(folder, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
             "<node><interface name='org.kde.StatusNotifierWatcher'>"
             "<method name='RegisterStatusNotifierItem'><arg type='s' direction='in'/></method>"
             "<method name='RegisterStatusNotifierHost'><arg type='s' direction='in'/></method>"
             "</interface></node>",
             called, this) {}
  std::string address() const { return bus_.address(); }

  // The registered item's bus name and object path.
  bool wait_for_item(std::string& name, std::string& path) {
    for (int waited = 0; waited < 15000; waited += 50) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!item_name_.empty()) return name = item_name_, path = item_path_, true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  GVariant* call(const std::string& name, const std::string& path, const char* interface, const char* method,
                 GVariant* parameters) {
    return g_dbus_connection_call_sync(bus_.bus(), name.c_str(), path.c_str(), interface, method, parameters, nullptr,
                                       G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  }
  std::string text_property(const std::string& name, const std::string& path, const char* property) {
    GVariant* got = call(name, path, "org.freedesktop.DBus.Properties", "Get",
                         g_variant_new("(ss)", "org.kde.StatusNotifierItem", property));
    if (!got) return "(none)";
    GVariant* value;
    g_variant_get(got, "(v)", &value);
    std::string text = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ||
                               g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH)
                           ? g_variant_get_string(value, nullptr)
                           : "(not text)";
    g_variant_unref(value);
    g_variant_unref(got);
    return text;
  }

 private:
  static void called(void* self, const char* sender, const char* method, GVariant* parameters,
                     GDBusMethodInvocation* invocation) {
    auto* stand_in = (tray_watcher_stand_in*)self;
    if (g_strcmp0(method, "RegisterStatusNotifierItem") == 0) {
      const char* service;
      g_variant_get(parameters, "(&s)", &service);
      std::lock_guard<std::mutex> lock(stand_in->mutex_);
      // The item names its object path, or a bus name whose item is at the usual path.
      stand_in->item_name_ = service[0] == '/' ? sender : service;
      stand_in->item_path_ = service[0] == '/' ? service : "/StatusNotifierItem";
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  std::mutex mutex_;
  std::string item_name_, item_path_;
  bus_stand_in bus_;
};

// The menu's items by label, from the layout a panel reads.
std::map<std::string, int> menu_items(GVariant* layout) {
  std::map<std::string, int> items;
  GVariant* root = g_variant_get_child_value(layout, 1);
  GVariant* children = g_variant_get_child_value(root, 2);
  for (gsize i = 0; i < g_variant_n_children(children); i++) {
    GVariant* child = g_variant_get_variant(g_variant_get_child_value(children, i));
    gint32 id;
    GVariant* properties;
    g_variant_get_child(child, 0, "i", &id);
    properties = g_variant_get_child_value(child, 1);
    const char* label = nullptr;
    if (g_variant_lookup(properties, "label", "&s", &label)) items[label] = id;
  }
  return items;
}

class LinuxTray : public linux_launcher_test {};

TEST_F(LinuxTray, TheItemsMenuReachesThePageAndQuitEndsTheRunFromTheTray) {
  tray_watcher_stand_in desktop(dir);
  fs::path app = make_app("app", R"(
    document.title = "waiting";
    wapp.tray.onMenu((id) => { document.title = "chose " + id; });
    wapp.tray.set({ tooltip: "Notes", menu: [{ id: "new", label: "New" }, "-", { id: "sync", label: "Sync", checked: true }] })
      .then(() => { document.title = "in tray"; }, (e) => { document.title = "refused: " + e.message; });)");
  rgba_pixels icon{256, {}};
  for (int i = 0; i < 256 * 256; i++) icon.bytes.insert(icon.bytes.end(), {0x22, 0x44, 0x88, 0xFF});
  write(dir / "icon.png", png_of(icon));
  fs::path program = pack(app, "Notes", {"--page-title", "--close-to-tray", "--app-id", "notes", "--icon",
                                         (dir / "icon.png").string()});

  // No tray service: refused with the reason, said once on standard error.
  pid_t alone = start(program, {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + (dir / "no-bus").string()});
  Window refused = wait_for_x_window(screen.get(), "refused: no tray service answers on the session bus", 30000);
  EXPECT_TRUE(refused) << error_output(alone);
  if (refused) close_x_window(screen.get(), refused);
  EXPECT_EQ(ended(alone), 0);
  EXPECT_EQ(error_output(alone),
            "Notes: no tray service answers on the session bus: the app's tray icon is not shown\n");

  pid_t run = start(program, {"DBUS_SESSION_BUS_ADDRESS=" + desktop.address()});
  ASSERT_TRUE(wait_for_x_window(screen.get(), "in tray", 30000)) << error_output(run);
  std::string name, path;
  ASSERT_TRUE(desktop.wait_for_item(name, path));
  EXPECT_EQ(desktop.text_property(name, path, "Title"), "Notes");
  std::string icon_file = desktop.text_property(name, path, "IconName");
  EXPECT_EQ(read(icon_file).substr(1, 3), "PNG") << icon_file;
  std::string menu = desktop.text_property(name, path, "Menu");
  GVariant* layout = desktop.call(name, menu, "com.canonical.dbusmenu", "GetLayout",
                                  g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
  ASSERT_TRUE(layout);
  std::map<std::string, int> items = menu_items(layout);
  g_variant_unref(layout);
  for (const char* label : {"New", "Sync", "Show", "Quit"}) EXPECT_TRUE(items.count(label)) << label;
  auto click = [&](const char* label) {
    GVariant* done = desktop.call(name, menu, "com.canonical.dbusmenu", "Event",
                                  g_variant_new("(isvu)", items[label], "clicked", g_variant_new_int32(0), 0u));
    if (done) g_variant_unref(done);
  };

  click("New");
  Window window = wait_for_x_window(screen.get(), "chose new", 15000);
  ASSERT_TRUE(window);
  // The close box hides the window; Show brings it back; Quit ends the run.
  close_x_window(screen.get(), window);
  for (int waited = 0; find_x_window(screen.get(), "chose new") && waited < 10000; waited += 50)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(find_x_window(screen.get(), "chose new"));
  EXPECT_EQ(waitpid(run, nullptr, WNOHANG), 0);
  click("Show");
  EXPECT_TRUE(wait_for_x_window(screen.get(), "chose new", 15000));
  click("Quit");
  EXPECT_EQ(ended(run), 0);
  EXPECT_FALSE(fs::exists(icon_file));
}

}  // namespace
