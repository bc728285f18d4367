// The big-app benchmark's Windows side, under Wine with the fake WebView2
// runtime (its environment answering at once, so that the launcher's own
// time shows):
//   big_app_windows RUNS SAMPLE BIG SAMPLE_FILE BIG_FILE
// starts the four packed launchers one after the other, RUNS times, in an
// order that turns from run to run, each with a temporary directory of its
// own, and times from the process's creation until its window is visible,
// until its navigation, and until its page has loaded its first resources
// (the fake's page fetches them, through the launcher for an app it serves,
// from the folder for one it unpacked); its peak working set then; and it
// closes the window and waits for the exit. It prints the medians, and each
// big launcher's against its sample's.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/fake_runtime.h"
#include "support/launcher_process.h"

namespace fs = std::filesystem;

namespace {

// The page of the generated apps (bench/big_app/app_generator.cpp): its
// first script, the module and its import, the JSON and the worker.
const char page_actions[] =
    "fetch js/first.js\nfetch js/main.js\nfetch js/lib/util.js\nfetch data/config.json\nfetch js/worker.js\n";
const char last_resource[] = "js/worker.js";

struct figures {
  double window = -1, navigation = -1, resources = -1, peak_mb = -1;
};

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

uint64_t now_filetime() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return ((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime;
}

figures run_once(const fs::path& program, const fs::path& root, int serial) {
  figures f;
  fs::path temp = root / ("tmp" + std::to_string(serial)), log = root / ("run" + std::to_string(serial) + ".log");
  fs::create_directories(temp);
  launcher_run run(program, temp, log);
  std::wstring title = program.stem().wstring();
  // Each wait of the tests' process driver lasts 30 s at most: a launcher
  // that unpacks 20,000 files first under Wine may take longer.
  constexpr int waits = 10;
  bool found = false;
  for (int i = 0; i < waits && !found; i++) found = run.find_window(title, 2) != nullptr;
  if (found) f.window = (double)(now_filetime() - run.creation_time()) / 1e4;
  std::vector<fake_line> lines;
  // A file:// app of 20,000 files takes its time to unpack under Wine.
  for (int waited = 0; waited < 300000; waited += 2) {
    lines = run.fake_log();
    size_t last = lines.size();
    for (size_t i = 0; i < lines.size(); i++)
      if (lines[i].key == "fetched" && lines[i].value.find(last_resource) != std::string::npos) last = i;
    if (last < lines.size()) {
      f.resources = (double)(lines[last].time - run.creation_time()) / 1e4;
      break;
    }
    Sleep(2);
  }
  size_t navigation = find_fake_line(lines, "navigate");
  if (navigation < lines.size()) f.navigation = (double)(lines[navigation].time - run.creation_time()) / 1e4;
  PROCESS_MEMORY_COUNTERS memory{};
  if (GetProcessMemoryInfo(run.process(), &memory, sizeof memory)) f.peak_mb = memory.PeakWorkingSetSize / 1048576.0;
  run.close();
  DWORD code = STILL_ACTIVE;
  for (int i = 0; i < waits && code == STILL_ACTIVE; i++) code = run.wait_for_exit();
  if (code != 0) f.resources = -1;
  return f;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: big_app_windows RUNS PROGRAM...\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  std::vector<fs::path> programs(argv + 2, argv + argc);
  const fs::path root = fs::temp_directory_path() / ("wapp-big-app-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(root);
  std::ofstream(root / "page.txt", std::ios::binary) << page_actions;
  SetEnvironmentVariableW(fake_page_variable, (root / "page.txt").c_str());
  if (register_fake_runtime().empty()) return 1;
  std::vector<std::vector<figures>> all(programs.size());
  for (int r = 0, serial = 0; r < runs; r++) {
    for (size_t k = 0; k < programs.size(); k++) {
      size_t i = (k + r) % programs.size();
      figures f = run_once(programs[i], root, ++serial);
      // A run that failed is said and left out of the medians.
      if (f.window < 0 || f.navigation < 0 || f.resources < 0)
        fprintf(stderr, "big_app_windows: %ls did not load its page and end in run %d\n", programs[i].c_str(), r + 1);
      else
        all[i].push_back(f);
    }
    printf("  run %d done\n", r + 1);
  }
  unregister_fake_runtime();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  auto column = [&](size_t i, double figures::*field) {
    std::vector<double> values;
    for (const figures& f : all[i]) values.push_back(f.*field);
    return median(values);
  };
  printf("  %-28s %12s %14s %16s %12s %6s\n", "medians", "window (ms)", "navigate (ms)", "resources (ms)", "peak (MB)",
         "runs");
  for (size_t i = 0; i < programs.size(); i++)
    printf("  %-28ls %12.0f %14.0f %16.0f %12.1f %6zu\n", programs[i].filename().c_str(), column(i, &figures::window),
           column(i, &figures::navigation), column(i, &figures::resources), column(i, &figures::peak_mb),
           all[i].size());
  for (size_t big = 1; big < programs.size(); big += 2)
    printf("  %ls against %ls: window %.2f x, navigation %.2f x, first resources %.2f x, peak +%.1f MB\n",
           programs[big].filename().c_str(), programs[big - 1].filename().c_str(),
           column(big, &figures::window) / column(big - 1, &figures::window),
           column(big, &figures::navigation) / column(big - 1, &figures::navigation),
           column(big, &figures::resources) / column(big - 1, &figures::resources),
           column(big, &figures::peak_mb) - column(big - 1, &figures::peak_mb));
  return 0;
}
