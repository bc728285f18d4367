// The web platform as a browser gives it, on the Linux program with the real
// engine: permission requests answered by the app's policy, and a page whose
// web process dies comes back, within a bound.
#include <dirent.h>

#include <future>

#include "linux_launcher_support.h"
#include "notification_stand_in.h"
#include "png_icon.h"

namespace {

class WebPlatform : public linux_launcher_test {
 protected:
  // The processes below pid whose name is the engine's web process.
  static std::vector<pid_t> web_processes(pid_t pid) {
    std::vector<pid_t> found, parents = {pid};
    while (!parents.empty()) {
      pid_t parent = parents.back();
      parents.pop_back();
      DIR* proc = opendir("/proc");
      while (dirent* entry = proc ? readdir(proc) : nullptr) {
        pid_t child = atoi(entry->d_name);
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        if (!child || !std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
        std::string name = line.substr(line.find('(') + 1, line.rfind(')') - line.find('(') - 1);
        if (atoi(line.c_str() + line.rfind(')') + 4) != parent) continue;
        parents.push_back(child);
        if (name.starts_with("WebKitWebProces")) found.push_back(child);
      }
      if (proc) closedir(proc);
    }
    return found;
  }
};

// On a click (WebKit asks for notifications only on the user's), the page
// asks for notifications twice and for the location, and a frame of another
// origin asks for the location; it tells the answers in its title, which the
// window takes. There is no location to be had here: an allowed request
// fails with 2 (no position), a denied one with 1.
TEST_F(WebPlatform, PermissionsFollowThePolicyAndAskOnceARun) {
  const std::string frame = "data:text/html,<script>navigator.geolocation.getCurrentPosition(()=>parent.postMessage(0,'*'),"
                            "e=>parent.postMessage(e.code,'*'))</script>";
  fs::path app = make_app("app", R"(
    document.title = "waiting";
    const geo = () => new Promise((done) => navigator.geolocation.getCurrentPosition(() => done(0), (e) => done(e.code)));
    const framed = new Promise((done) => addEventListener("message", (e) => done(e.data)));
    const iframe = document.createElement("iframe");
    iframe.src = ")" + frame + R"(";
    document.body.append(iframe);
    document.body.style.height = "100vh";
    document.body.onclick = async () => {
      const n = await Notification.requestPermission(), g = await geo(), again = await Notification.requestPermission();
      document.title = `n=${n} g=${g} again=${again} frame=${await framed}`;
    };)");
  struct {
    const char* title;
    std::string policy;
    std::vector<std::string> answers;  // xdotool keys for the questions, in order
    std::string shown;
  } cases[] = {
      {"Allowed", "notifications=allow,geolocation=allow", {}, "n=granted g=2 again=granted frame=1"},
      {"Denied", "notifications=deny,geolocation=deny", {}, "n=denied g=1 again=denied frame=1"},
      {"Asked", "", {"alt+a", "alt+d"}, "n=granted g=1 again=granted frame=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::vector<std::string> options = {"--page-title"};
    if (!c.policy.empty()) options.insert(options.end(), {"--permissions", c.policy});
    pid_t run = start(pack(app, c.title, options));
    // The question is a window of the app's name; the app's own is "waiting".
    Window waiting = wait_for_x_window(screen.get(), "waiting", 30000);
    screen_rect rect;
    ASSERT_TRUE(waiting && x_window_rect(screen.get(), waiting, rect));
    ASSERT_TRUE(x_input({"mousemove", std::to_string(rect.left + rect.width / 2), std::to_string(rect.top + rect.height / 2),
                         "click", "1"}));
    for (const std::string& key : c.answers) {
      Window question = wait_for_x_window(screen.get(), c.title, 30000);
      ASSERT_TRUE(question);
      ASSERT_TRUE(x_input({"windowfocus", "--sync", std::to_string(question), "key", key}));
      for (int waited = 0; find_x_window(screen.get(), c.title) == question && waited < 10000; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Window window = wait_for_x_window(screen.get(), c.shown, 30000);
    EXPECT_TRUE(window);
    if (window) close_x_window(screen.get(), window);
    EXPECT_EQ(ended(run), 0);
  }
}

// A notification reaches the desktop's service under the app's name, with
// its icon, and a click on it reaches the page.
TEST_F(WebPlatform, ANotificationReachesTheDesktopUnderTheAppsNameAndItsClickThePage) {
  notification_stand_in desktop(dir);
  fs::path app = make_app("app", R"(
    const tea = new Notification("Tea", { body: "The tea is ready" });
    tea.onclick = () => { document.title = "clicked"; };)");
  rgba_pixels icon{256, {}};
  for (int i = 0; i < 256 * 256; i++) icon.bytes.insert(icon.bytes.end(), {0x11, 0x88, 0x44, 0xFF});
  write(dir / "icon.png", png_of(icon));
  fs::path program = pack(app, "Reminders", {"--permissions", "notifications=allow", "--page-title", "--icon",
                                             (dir / "icon.png").string()});
  pid_t run = start(program, {"DBUS_SESSION_BUS_ADDRESS=" + desktop.address()});
  std::vector<notify_call> calls = desktop.wait_for_calls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(std::make_tuple(calls[0].app_name, calls[0].summary, calls[0].body, calls[0].image_width,
                            calls[0].image_first_pixel),
            std::make_tuple(std::string("Reminders"), std::string("Tea"), std::string("The tea is ready"), 128,
                            0x118844FFu));
  desktop.click(calls[0].id);
  Window window = wait_for_x_window(screen.get(), "clicked", 15000);
  ASSERT_TRUE(window);
  close_x_window(screen.get(), window);
  EXPECT_EQ(ended(run), 0);
}

// The page counts its loads in its stored data and shows the count in its
// colour. Three deaths in a row reload it; the fourth within the minute
// shows the launcher's page, whose button brings the app back.
TEST_F(WebPlatform, APageWhoseProcessDiesComesBackThreeTimesAMinuteThenOffersAReload) {
  fs::path app = make_app("app", "const n = Number(localStorage.getItem('loads') || 0) + 1;"
                                 "localStorage.setItem('loads', n);"
                                 "document.body.style.background = `rgb(0, 255, ${n})`;");
  fs::path program = pack(app, "Comeback", {"--app-name", "Comeback"});
  pid_t run = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Comeback", 0x00FF01, rect));
  for (uint32_t loads = 2; loads <= 5; loads++) {
    SCOPED_TRACE(loads);
    std::vector<pid_t> web = web_processes(run);
    ASSERT_EQ(web.size(), 1u);
    kill(web[0], SIGKILL);
    if (loads == 5) break;
    auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(shows("Comeback", 0x00FF00 | loads, rect, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
  }
  // The launcher's own page, not a fourth reload; its button, focused, reloads.
  ASSERT_TRUE(shows("Comeback", 0xF4F4F4, rect, 10000));
  Window window = find_x_window(screen.get(), "Comeback");
  ASSERT_TRUE(x_input({"windowfocus", "--sync", std::to_string(window), "key", "Return"}));
  EXPECT_TRUE(shows("Comeback", 0x00FF05, rect, 10000));
  ASSERT_TRUE(close_x_window(screen.get(), window));
  EXPECT_EQ(ended(run), 0);
}

}  // namespace
