// The web platform as a browser gives it, on the Linux program with the real
// engine: a page whose web process dies comes back, within a bound.
#include <dirent.h>

#include "linux_launcher_support.h"

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
