// Launcher start-up against unpacking alone, for a real-sized web app.
//
// Generates a web app of about 180 files and 5 MB in folders up to seven
// levels deep (text that compresses like code, and incompressible images and
// fonts), packs it into a launcher, registers the fake WebView2 runtime in
// the prefix for the length of the benchmark, and then, run by run and side
// by side:
//   start -> navigate  from the process's creation time to the time stamp of
//                      the fake runtime's "navigate" line: reading the
//                      payload, unpacking, the window and the web view's
//                      creation, up to the navigation request;
//   unpack alone       unpack_web_app of the same archive in this process;
//   close -> exit      WM_CLOSE until the process has ended, folder removal included;
//   removal alone      remove_web_app_folder of the folder unpacked here.
// The fake answers at once, so the web view's share is what the launcher
// spends around it, not a real browser's start.
// Usage: launcher_startup_bench [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/web_app_folder.h"
#include "runtime/core/files.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "support/fake_runtime.h"
#include "support/launcher_process.h"
#include "support/web_app_files.h"

namespace {

uint32_t random_state = 12345;
uint32_t next_random() { return random_state = random_state * 1103515245 + 12345; }

std::string code_text(size_t size) {
  static const char* const words[] = {"function", "return", "const", "let", "if", "else", "for", "while",
                                      "document", "window", "element", "style", "class", "import", "export",
                                      "=>", "{", "}", "(", ")", ";", "value", "index", "this", "new", "await"};
  std::string text;
  while (text.size() < size) {
    text += words[(next_random() >> 16) % (sizeof words / sizeof *words)];
    text += (next_random() >> 16) % 9 ? ' ' : '\n';
  }
  text.resize(size);
  return text;
}

std::string random_bytes(size_t size) {
  std::string bytes(size, 0);
  for (char& c : bytes) c = (char)(next_random() >> 24);
  return bytes;
}

size_t between(size_t low, size_t high) { return low + (next_random() >> 8) % (high - low + 1); }

entry_list real_sized_app() {
  entry_list app = {{L"index.html", code_text(12000)},
                    {L"package.json", "{\"name\": \"bench\", \"version\": \"1.0.0\"}"},
                    {L"manifest.json", code_text(800)}};
  for (int i = 0; i < 12; ++i) app.push_back({L"css/part" + std::to_wstring(i) + L".css", code_text(between(4000, 30000))});
  for (int i = 0; i < 6; ++i) app.push_back({L"js/bundle" + std::to_wstring(i) + L".js", code_text(between(80000, 250000))});
  // Dependencies as bundlers lay them out: deep and many small files.
  for (int i = 0; i < 70; ++i) {
    std::wstring library = L"lib" + std::to_wstring(i % 7);
    app.push_back({L"js/vendor/" + library + L"/dist/esm/internal/helpers/mod" + std::to_wstring(i) + L".js",
                   code_text(between(1000, 15000))});
  }
  for (int i = 0; i < 30; ++i) app.push_back({L"img/photo" + std::to_wstring(i) + L".jpg", random_bytes(between(20000, 120000))});
  for (int i = 0; i < 25; ++i) app.push_back({L"img/icons/ui/icon" + std::to_wstring(i) + L".png", random_bytes(between(500, 4000))});
  for (int i = 0; i < 6; ++i) app.push_back({L"fonts/face" + std::to_wstring(i) + L".woff2", random_bytes(between(40000, 90000))});
  for (int i = 0; i < 15; ++i)
    app.push_back({L"locales/lang" + std::to_wstring(i) + L"/messages.json", code_text(between(3000, 12000))});
  for (int i = 0; i < 12; ++i)
    app.push_back({L"assets/levels/world" + std::to_wstring(i % 3) + L"/stage/data/map" + std::to_wstring(i) + L".bin",
                   random_bytes(between(5000, 60000))});
  return app;
}

double milliseconds_since(LARGE_INTEGER start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return (double)(now.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

LARGE_INTEGER now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
  runtime_globals_start();
  string_library_start();
  memory_library_start();
  file_library_start();
  pack_library_start();
  enable_zip_packer();

  const fs::path root = fs::temp_directory_path() / ("wapp-bench-" + std::to_string(GetCurrentProcessId()));
  const fs::path temp = root / "tmp";
  fs::create_directories(temp);
  const entry_list app = real_sized_app();
  size_t bytes = 0, depth = 0;
  for (const auto& [name, data] : app) {
    bytes += data.size();
    depth = std::max(depth, (size_t)std::count(name.begin(), name.end(), L'/'));
  }
  if (!write_zip(root / "app.zip", app).empty()) return 1;
  const std::string archive = read_file(root / "app.zip");
  const fs::path launcher = root / "bench.exe";
  write_file(launcher, read_file(built_launcher()) +
                           trailer_bytes("{\"WindowTitle\": \"Bench\", \"WindowWidth\": \"800\"}", archive));
  printf("web app: %zu files, %.1f MB, folders %zu levels deep; archive %.1f MB\n", app.size(), bytes / 1e6, depth,
         archive.size() / 1e6);
  printf("%5s %17s %15s %15s %15s\n", "run", "start->navigate", "unpack alone", "close->exit", "removal alone");

  // The prefix is shared with the tests: the runtime is there for this run only.
  if (register_fake_runtime().empty()) return 1;
  std::vector<double> to_navigation, unpacking, to_exit, removal;
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  bool failed = false;
  for (int run = 1; run <= runs; ++run) {
    launcher_run process(launcher, temp, root / ("run" + std::to_string(run) + ".log"));
    std::vector<fake_line> lines = process.wait_for_fake_line("navigate");
    size_t navigation = find_fake_line(lines, "navigate");
    if (navigation == lines.size() || !process.find_window(L"Bench")) {
      printf("run %d: the launcher made no navigation request\n", run);
      failed = true;
      break;
    }
    to_navigation.push_back((double)(lines[navigation].time - process.creation_time()) / 1e4);
    LARGE_INTEGER start = now();
    process.close();
    if (process.wait_for_exit() != 0) {
      printf("run %d: the launcher did not end with exit code 0\n", run);
      failed = true;
      break;
    }
    to_exit.push_back(milliseconds_since(start));

    text_scope scope;
    start = now();
    const wchar_t* folder = unpack_web_app(archive.data(), (int32_t)archive.size(), scope.start());
    unpacking.push_back(milliseconds_since(start));
    if (!folder[0]) {
      printf("run %d: nothing unpacked\n", run);
      failed = true;
      break;
    }
    start = now();
    remove_web_app_folder(folder);
    removal.push_back(milliseconds_since(start));
    printf("%5d %14.1f ms %12.1f ms %12.1f ms %12.1f ms\n", run, to_navigation.back(), unpacking.back(),
           to_exit.back(), removal.back());
  }
  unregister_fake_runtime();
  if (!failed)
    printf("%5s %14.1f ms %12.1f ms %12.1f ms %12.1f ms\n", "median", median(to_navigation), median(unpacking),
           median(to_exit), median(removal));
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return failed ? 1 : 0;
}
