#pragma once
// Packed Linux programs run as separate processes on an X display of the
// test's own (Xvfb, no window manager) with the real WebKitGTK engine, each
// test with private XDG folders; what their windows show is read from the
// screen's pixels.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "wapp_pack.h"
#include "x11_windows.h"

namespace fs = std::filesystem;

extern char** environ;

constexpr uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;

// A process that the system ends with the test program, however that ends;
// its standard error goes to the file named, when one is.
inline pid_t start_process(const std::vector<std::string>& args, const std::vector<std::string>& environment,
                           const std::string& error_file = "") {
  std::vector<char*> argv, envp;
  for (const auto& arg : args) argv.push_back((char*)arg.c_str());
  for (const auto& variable : environment) envp.push_back((char*)variable.c_str());
  argv.push_back(nullptr), envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  int error = error_file.empty() ? -1 : open(error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (error >= 0) dup2(error, 2);
  execvpe(argv[0], argv.data(), envp.data());
  _exit(127);
}

// The exit code, or -1 when the process did not end in time (it is then
// killed) or did not exit by itself.
inline int wait_for_exit(pid_t pid, int timeout_ms = 30000) {
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 20) {
    if (waited >= timeout_ms) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Xvfb on the first free display number past those the scripts use.
class private_display {
 public:
  private_display() {
    for (int n = 160; n < 260 && !display_; n++) {
      std::string number = std::to_string(n), socket = "/tmp/.X11-unix/X" + number;
      if (fs::exists(socket) || fs::exists("/tmp/.X" + number + "-lock")) continue;
      pid_ = start_process({"Xvfb", ":" + number, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"}, {});
      name_ = ":" + number;
      // It ends at once when another server has taken the number meanwhile.
      bool running = true;
      for (int i = 0; i < 100 && running && !fs::exists(socket); i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        running = waitpid(pid_, nullptr, WNOHANG) == 0;
      }
      if (running && waitpid(pid_, nullptr, WNOHANG) != 0) running = false;
      if (!running) pid_ = -1;  // ended, and its status taken
      if (running && fs::exists(socket)) display_ = XOpenDisplay(name_.c_str());
      if (!display_) end();
    }
  }
  ~private_display() { end(); }
  // The display goes away, as when the X server ends.
  void end() {
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
    if (pid_ > 0) kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  Display* get() const { return display_; }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
  Display* display_ = nullptr;
};

class linux_launcher_test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen.get()) << "no Xvfb could be started";
    dir = fs::temp_directory_path() / ("wapp-linux-" + std::to_string(getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    for (const char* sub : {"run", "data", "cache", "home", "outside"}) fs::create_directories(dir / sub);
    // Whatever the umask: the launcher uses no base folder below one that
    // others may write in.
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir / "run", fs::perms::owner_all);
  }
  void TearDown() override {
    for (pid_t pid : started) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  static void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // A web app whose page is red until its script runs; the script is the
  // app's js/app.js.
  fs::path make_app(const std::string& name, const std::string& script, bool module = false) {
    fs::path app = dir / name;
    write(app / "index.html", std::string("<!doctype html><style>html,body{margin:0;height:100%;background:#f00}</style>") +
                                  "<script " + (module ? "type=module " : "defer ") + "src=js/app.js></script>");
    write(app / "js" / "app.js", script);
    return app;
  }

  // Packs with the Linux launcher beside the packer's own folder: the one
  // the build made.
  fs::path pack(const fs::path& app, const std::string& title, std::vector<std::string> options = {}) {
    fs::path program = dir / title;
    std::vector<std::string> args = {app.string(), "-o", program.string(), "--target", "linux", "--title", title, "-q"};
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream out, err;
    EXPECT_EQ(run_wapp_pack(args, {fs::path(WAPP_LINUX_LAUNCHER).parent_path(), out, err, false}), exit_done) << err.str();
    return program;
  }

  // With the test's display and folders; `changes` sets ("NAME=value") or
  // unsets ("NAME") variables of that environment, and `before` comes
  // first on the command line (a program that runs the launcher).
  pid_t start(const fs::path& program, const std::vector<std::string>& changes = {},
              std::vector<std::string> before = {}) {
    std::vector<std::string> environment = {"DISPLAY=" + screen.name(), "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                            "XDG_DATA_HOME=" + (dir / "data").string(),
                                            "XDG_CACHE_HOME=" + (dir / "cache").string(),
                                            "HOME=" + (dir / "home").string(), "PATH=/usr/bin:/bin",
                                            // GTK's own settings (the file chooser's) stay in memory.
                                            "GSETTINGS_BACKEND=memory"};
    for (const std::string& change : changes) {
      std::string name = change.substr(0, change.find('='));
      std::erase_if(environment, [&](const std::string& v) { return v.starts_with(name + "="); });
      if (change.find('=') != std::string::npos) environment.push_back(change);
    }
    before.push_back(program.string());
    std::string error_file = (dir / ("stderr-" + std::to_string(started.size() + ended_count))).string();
    pid_t pid = start_process(before, environment, error_file);
    started.push_back(pid);
    error_files[pid] = error_file;
    return pid;
  }

  // What the run wrote to its standard error.
  std::string error_output(pid_t pid) {
    std::ifstream file(error_files[pid]);
    return std::string((std::istreambuf_iterator<char>(file)), {});
  }

  int ended(pid_t pid, int timeout_ms = 30000) {
    std::erase(started, pid);
    ended_count++;
    return wait_for_exit(pid, timeout_ms);
  }

  // The window of this title once its centre shows the colour; its inner
  // area on the screen goes to rect.
  bool shows(const std::string& title, uint32_t colour, screen_rect& rect, int timeout_ms = 30000) {
    Window window = wait_for_x_window(screen.get(), title, timeout_ms);
    for (int waited = 0; window && waited < timeout_ms; waited += 50) {
      if (x_window_rect(screen.get(), window, rect) &&
          screen_pixel(screen.get(), rect.left + rect.width / 2, rect.top + rect.height / 2) == colour)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Input as a user gives it, through the X server: xdotool's commands
  // ("mousemove 960 540 click 1", "windowfocus --sync ID key Return").
  bool x_input(const std::vector<std::string>& commands) {
    std::vector<std::string> args = {"xdotool"};
    args.insert(args.end(), commands.begin(), commands.end());
    return wait_for_exit(start_process(args, {"DISPLAY=" + screen.name(), "PATH=/usr/bin:/bin"})) == 0;
  }

  // A stand-in for the user's default browser: the desktop's handler for
  // the schemes, in the test's own data folder. It logs each address it is
  // given, one per line; it handles the schemes a page may send out, and
  // those it may not, and text files, so that whatever wrongly leaves shows.
  void install_stand_in_browser() {
    fs::path script = dir / "stand-in";
    write(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + (dir / "opened.log").string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    std::string types, defaults;
    for (const char* type : {"x-scheme-handler/https", "x-scheme-handler/http", "x-scheme-handler/mailto",
                             "x-scheme-handler/wappcustom", "text/plain"}) {
      types += std::string(type) + ";";
      defaults += std::string(type) + "=stand-in.desktop\n";
    }
    write(dir / "data" / "applications" / "stand-in.desktop",
          "[Desktop Entry]\nType=Application\nName=Stand-in browser\nNoDisplay=true\nExec=" + script.string() +
              " %u\nMimeType=" + types + "\n");
    write(dir / "data" / "applications" / "mimeapps.list", "[Default Applications]\n" + defaults);
  }

  std::vector<std::string> opened() {
    std::ifstream log(dir / "opened.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
  }

  std::vector<std::string> wait_for_opened(size_t count) {
    for (int waited = 0; opened().size() < count && waited < 15000; waited += 50)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return opened();
  }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }

  // The file, once it holds as many bytes as expected.
  std::string wait_for_file(const fs::path& path, size_t size) {
    for (int waited = 0; waited < 15000; waited += 50) {
      std::error_code error;
      if (fs::file_size(path, error) == size && !error) return read(path);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return read(path);
  }

  // A file chooser of this title, answered with keys (xdotool's).
  bool answer_chooser(const std::string& title, const std::vector<std::string>& keys) {
    Window chooser = wait_for_x_window(screen.get(), title, 15000);
    if (!chooser) return false;
    std::vector<std::string> commands = {"windowfocus", "--sync", std::to_string(chooser)};
    commands.insert(commands.end(), keys.begin(), keys.end());
    return x_input(commands);
  }

  std::vector<std::string> folders_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  private_display screen;
  fs::path dir;
  std::vector<pid_t> started;
  size_t ended_count = 0;
  std::map<pid_t, std::string> error_files;
};
