// The big-app benchmark's Linux side, with the real WebKitGTK engine on a
// private Xvfb display:
//   big_app_linux generate DIR FILES BYTES   writes a generated app
//   big_app_linux run RUNS SAMPLE BIG SAMPLE_FILE BIG_FILE
// starts the four packed programs one after the other, RUNS times, in an
// order that turns from run to run, each with private XDG folders, and
// times from its start until its window is mapped and until the page's
// first script has painted it green (the centre pixel), then closes it; its
// peak resident size comes from the system when it has ended. It prints the
// medians, and each big program's against its sample's.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app_generator.h"
#include "x11_windows.h"

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

namespace {

constexpr uint32_t green = 0x00FF00;
// A file:// app of 20,000 files takes its time to unpack on a busy machine.
constexpr int timeout_ms = 300000;

pid_t start_process(const std::vector<std::string>& args, const std::vector<std::string>& environment) {
  std::vector<char*> argv, envp;
  for (const auto& arg : args) argv.push_back((char*)arg.c_str());
  for (const auto& variable : environment) envp.push_back((char*)variable.c_str());
  argv.push_back(nullptr), envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ms_since(clock_type::time_point start) {
  return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

struct figures {
  double mapped = -1, first_script = -1, peak_mb = -1;
};

struct display {
  pid_t server = -1;
  std::string name;
  Display* x = nullptr;
  display() {
    for (int n = 300; n < 400 && !x; n++) {
      // Built up in steps: GCC 12 warns falsely of a literal joined to a number's text.
      std::string number = std::to_string(n);
      if (fs::exists(fs::path("/tmp/.X11-unix") / ("X" + number))) continue;
      name = ':';
      name += number;
      server = start_process({"Xvfb", name, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"}, {"PATH=/usr/bin:/bin"});
      for (int i = 0; i < 100 && !x; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        x = XOpenDisplay(name.c_str());
      }
    }
  }
  ~display() {
    if (x) XCloseDisplay(x);
    if (server > 0) kill(server, SIGTERM), waitpid(server, nullptr, 0);
  }
};

figures run_once(display& screen, const fs::path& program, const fs::path& home) {
  figures f;
  std::string title = program.filename().string();
  std::vector<std::string> environment = {"DISPLAY=" + screen.name, "XDG_RUNTIME_DIR=" + (home / "run").string(),
                                          "XDG_DATA_HOME=" + (home / "data").string(),
                                          "XDG_CACHE_HOME=" + (home / "cache").string(), "HOME=" + home.string(),
                                          "PATH=/usr/bin:/bin"};
  auto start = clock_type::now();
  pid_t pid = start_process({program.string()}, environment);
  Window window = 0;
  screen_rect rect{};
  while (ms_since(start) < timeout_ms) {
    if (!window && (window = find_x_window(screen.x, title))) f.mapped = ms_since(start);
    if (window && x_window_rect(screen.x, window, rect) &&
        screen_pixel(screen.x, rect.left + rect.width / 2, rect.top + rect.height / 2) == green) {
      f.first_script = ms_since(start);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (window) close_x_window(screen.x, window);
  int status = 0;
  rusage usage{};
  for (int waited = 0; wait4(pid, &status, WNOHANG, &usage) == 0; waited += 10) {
    if (waited > timeout_ms) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) f.peak_mb = usage.ru_maxrss / 1024.0;
  return f;
}

int run(int runs, const std::vector<fs::path>& programs) {
  display screen;
  if (!screen.x) {
    std::fprintf(stderr, "big_app_linux: no Xvfb could be started\n");
    return 1;
  }
  fs::path home = fs::temp_directory_path() / ("wapp-big-app-" + std::to_string(getpid()));
  for (const char* sub : {"run", "data", "cache"}) fs::create_directories(home / sub);
  fs::permissions(home / "run", fs::perms::owner_all);
  std::vector<std::vector<figures>> all(programs.size());
  for (int r = 0; r < runs; r++) {
    for (size_t k = 0; k < programs.size(); k++) {
      size_t i = (k + r) % programs.size();
      figures f = run_once(screen, programs[i], home);
      // A run that failed is said and left out of the medians.
      if (f.first_script < 0 || f.peak_mb < 0)
        std::fprintf(stderr, "big_app_linux: %s did not show its page and end in run %d\n", programs[i].c_str(), r + 1);
      else
        all[i].push_back(f);
    }
    std::printf("  run %d done\n", r + 1);
  }
  std::error_code ignored;
  fs::remove_all(home, ignored);
  auto column = [&](size_t i, double figures::*field) {
    std::vector<double> values;
    for (const figures& f : all[i]) values.push_back(f.*field);
    return median(values);
  };
  std::printf("  %-28s %12s %14s %12s %6s\n", "medians", "mapped (ms)", "1st script (ms)", "peak (MB)", "runs");
  for (size_t i = 0; i < programs.size(); i++)
    std::printf("  %-28s %12.0f %14.0f %12.1f %6zu\n", programs[i].filename().c_str(), column(i, &figures::mapped),
                column(i, &figures::first_script), column(i, &figures::peak_mb), all[i].size());
  for (size_t big = 1; big < programs.size(); big += 2)
    std::printf("  %s against %s: mapped %.2f x, first script %.2f x, peak +%.1f MB\n",
                programs[big].filename().c_str(), programs[big - 1].filename().c_str(),
                column(big, &figures::mapped) / column(big - 1, &figures::mapped),
                column(big, &figures::first_script) / column(big - 1, &figures::first_script),
                column(big, &figures::peak_mb) - column(big - 1, &figures::peak_mb));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "generate") {
    generated_app app = generate_app(args[1], std::stoull(args[2]), std::stoull(args[3]));
    std::printf("%llu %llu\n", (unsigned long long)app.files, (unsigned long long)app.bytes);
    return 0;
  }
  if (args.size() >= 3 && args[0] == "run")
    return run(std::max(1, std::stoi(args[1])), std::vector<fs::path>(args.begin() + 2, args.end()));
  std::fprintf(stderr, "usage: big_app_linux generate DIR FILES BYTES | run RUNS PROGRAM...\n");
  return 2;
}
