// wapp-pack dev with the real engine: a real Vite dev server (from npm,
// kept outside the clone by tests/support/vite_project) started by the
// dev command, the app under its shipped origin with window.wapp, hot
// reload, stored data apart from the packed program's, and nothing left
// running at the end; and a plain folder reloaded when a file changes.
#include <algorithm>

#include "linux_launcher_support.h"

namespace {

using steady = std::chrono::steady_clock;

class LinuxDevRun : public linux_launcher_test {
 protected:
  std::string packer() const { return (fs::path(WAPP_LINUX_LAUNCHER).parent_path() / "wapp-pack").string(); }
  // wapp-pack dev ARGS... in the folder, as the developer runs it.
  pid_t dev(const fs::path& folder, const std::string& args) {
    return start(packer(), {}, {"/bin/sh", "-c", "cd '" + folder.string() + "' && exec \"$0\" dev " + args});
  }
  static int ms_since(steady::time_point start) {
    return (int)std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start).count();
  }
  // The processes whose command line names the text.
  static int processes_naming(const std::string& text) {
    int found = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      std::ifstream command(entry.path() / "cmdline");
      std::string line((std::istreambuf_iterator<char>(command)), {});
      if (atoi(entry.path().filename().c_str()) && line.find(text) != std::string::npos) found++;
    }
    return found;
  }
};

TEST_F(LinuxDevRun, AViteAppRunsInItsRealWindowWithHotReload) {
  FILE* made = popen("bash " WAPP_TESTS_DIR "/support/vite_project", "r");
  char path[4096] = {};
  ASSERT_TRUE(made && fgets(path, sizeof path, made)) << "no Vite project";
  pclose(made);
  fs::path project = dir / "proj", vite_project = std::string(path, strcspn(path, "\n"));
  fs::create_directories(project / "src");
  fs::create_directory_symlink(vite_project / "node_modules", project / "node_modules");
  write(project / "index.html", "<!doctype html><title>t</title><script type=module src=/src/main.js></script>");
  write(project / "src" / "word.js", "export const word = 'w0';\n");
  const std::string main_js =
      "import { word } from './word.js';\n"
      "document.title = `${word} ${location.origin} ${typeof window.wapp} ${localStorage.getItem('k') ?? 'none'}`;\n"
      "localStorage.setItem('k', 'dev');\n"
      "if (import.meta.hot) import.meta.hot.accept('./word.js', (m) => { document.title = `${m.word} hot`; });\n";
  write(project / "src" / "main.js", main_js);
  const std::string port = std::to_string(20000 + getpid() % 20000);
  write(project / "package.json", R"({"name": "dev-proj", "version": "1.0.0", "type": "module",
    "wapp": {"devUrl": "http://localhost:)" + port + R"(/", "pageTitle": true,
             "devCommand": "node_modules/.bin/vite --port )" + port + R"( --strictPort"}})");

  steady::time_point started = steady::now();
  pid_t run = dev(project, "");
  Window window = wait_for_x_window(screen.get(), "w0 wapp://app.wapp object none (dev)", 60000);
  ASSERT_TRUE(window) << error_output(run);
  std::cout << "[ figure ] wapp-pack dev to the first paint: " << ms_since(started) << " ms\n";
  // Hot reload: each save shows without a reload of the page. The client's
  // socket connects after the first paint; an update sent before it is lost.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  std::vector<int> delays;
  for (int save = 1; save <= 5; save++) {
    std::string word = "w" + std::to_string(save);
    steady::time_point saved = steady::now();
    write(project / "src" / "word.js", "export const word = '" + word + "';\n");
    ASSERT_TRUE(wait_for_x_window(screen.get(), word + " hot (dev)", 2000)) << word;
    delays.push_back(ms_since(saved));
  }
  std::sort(delays.begin(), delays.end());
  std::cout << "[ figure ] save to screen, median of 5: " << delays[2] << " ms\n";
  // A change Vite cannot take hot reloads the page: window.wapp is there
  // again, and so is the dev run's stored data.
  write(project / "src" / "main.js", main_js + "// changed\n");
  window = wait_for_x_window(screen.get(), "w5 wapp://app.wapp object dev (dev)", 10000);
  ASSERT_TRUE(window);
  close_x_window(screen.get(), window);
  EXPECT_EQ(ended(run), 0);
  EXPECT_EQ(processes_naming("--port " + port), 0);

  // The program packed from the same files starts from the users' data,
  // empty, under the same origin.
  fs::path packed = pack(project, "Packed", {"--page-title", "--app-id", "dev-proj", "--exclude", "node_modules"});
  pid_t shipped = start(packed);
  window = wait_for_x_window(screen.get(), "w5 wapp://app.wapp object none", 30000);
  EXPECT_TRUE(window);
  if (window) close_x_window(screen.get(), window);
  EXPECT_EQ(ended(shipped), 0);

  // A dev command that ends at once, and a server that never answers.
  pid_t quick = dev(project, "--dev-command 'echo no server; exit 3'");
  EXPECT_EQ(ended(quick), 1);
  EXPECT_NE(error_output(quick).find("the dev command ended (status 3) before http://localhost:" + port +
                                     "/ answered; its last lines:\n  | no server\n"),
            std::string::npos)
      << error_output(quick);
  pid_t silent = dev(project, "--dev-command 'sleep 30' --dev-wait 1");
  EXPECT_EQ(ended(silent), 1);
  EXPECT_NE(error_output(silent).find("nothing answered at http://localhost:" + port + "/ within 1 seconds"),
            std::string::npos)
      << error_output(silent);
  EXPECT_EQ(processes_naming("sleep 30"), 0);
}

TEST_F(LinuxDevRun, AFolderIsServedAsItIsAndAChangeReloadsThePageUntilSigterm) {
  fs::path app = make_app("app", "document.title = 'one';");
  pid_t run = dev(dir, "app --page-title");
  ASSERT_TRUE(wait_for_x_window(screen.get(), "one (dev)", 30000)) << error_output(run);
  write(app / "js" / "app.js", "document.title = 'two';");
  ASSERT_TRUE(wait_for_x_window(screen.get(), "two (dev)", 10000));
  // SIGTERM closes the window and ends wapp-pack dev as the signal would.
  kill(run, SIGTERM);
  EXPECT_EQ(ended(run), 143);
  EXPECT_FALSE(find_x_window(screen.get(), "two (dev)"));
}

}  // namespace
