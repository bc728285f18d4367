// Where a launcher's start goes, against the floor of a bare program.
//
// Generates a web app of about 180 files and 5 MB in folders up to seven
// levels deep (text that compresses like code, and incompressible images and
// fonts), zips it as the packer does (sorted, every folder an entry of its
// own before what it holds), appends it to the launcher, registers the fake
// WebView2 runtime in the prefix for the length of the benchmark, and then,
// run by run, interleaved on the same machine:
//   bare window                  bare_window: a window shown, then its end
//   bare window + extraction     the same with a bare libarchive extraction
//                                of the same archive into the same folder
//   launcher, delay 0 / 300 ms   launcher.exe up to its navigation request,
//                                the fake's environment answering at once or
//                                after 300 ms, as a real browser's start takes
//   marked launcher              the same launcher built with its phase marks
//                                (launcher/phase_marks.h): where the time goes
//   unpacking in this process    unpack_web_app of the archive in memory,
//                                beside a bare extraction of it to the same disk
// Times of other processes run from their creation to the time stamp of
// their line in the fake's log ("navigate", "end", "phase ...").
// Usage: launcher_startup_bench [runs]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bare_extraction.h"
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

// As the packer lays an archive out: every folder an entry of its own before
// what it holds, everything sorted by name.
entry_list as_packed(const entry_list& files) {
  std::map<std::wstring, std::string> entries;
  for (const auto& [name, data] : files) {
    entries[name] = data;
    for (size_t slash = name.find(L'/'); slash != std::wstring::npos; slash = name.find(L'/', slash + 1))
      entries[name.substr(0, slash + 1)] = "";
  }
  return entry_list(entries.begin(), entries.end());
}

LARGE_INTEGER now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

double milliseconds_since(LARGE_INTEGER start) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return (double)(now().QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Milliseconds from a process's creation to a line of its log.
double since_creation(const launcher_run& process, const fake_line& line) {
  return (double)(line.time - process.creation_time()) / 1e4;
}

// The phases of a start, in order: what the marked launcher notes, then what
// the fake runtime notes.
struct phase {
  const char* title;
  const char* key;
  const char* value;  // the mark's name for "phase" lines
};
const phase phases[] = {
    {"process start -> entry", "phase", "entry"},   {"runtime start", "phase", "runtime"},
    {"payload read", "phase", "payload"},
    {"settings", "phase", "settings"},              {"environment asked for", "phase", "environment"},
    {"stale sweep", "phase", "sweep"},
    {"claim", "phase", "claim"},                    {"archive write", "phase", "archive"},
    {"extraction", "phase", "extraction"},          {"window", "phase", "window"},
    {"environment ready", "environment_completed", ""}, {"controller ready", "controller_completed", ""},
    {"navigation", "navigate", ""},
};
constexpr size_t phase_count = sizeof phases / sizeof *phases;

struct launcher_figures {
  double to_navigation = -1;
  double moments[phase_count];  // since process creation, -1 when missing
  size_t peak_working_set = 0;
};

class bench_runs {
 public:
  bench_runs(const fs::path& root, const fs::path& temp) : root_(root), temp_(temp) {}

  // A launcher up to its navigation request, then closed.
  launcher_figures launcher(const fs::path& executable, const wchar_t* environment_ms) {
    launcher_figures figures;
    std::fill(std::begin(figures.moments), std::end(figures.moments), -1.0);
    SetEnvironmentVariableW(fake_environment_delay_variable, environment_ms);
    launcher_run process(executable, temp_, next_log());
    SetEnvironmentVariableW(fake_environment_delay_variable, nullptr);
    std::vector<fake_line> lines = process.wait_for_fake_line("navigate");
    size_t navigation = find_fake_line(lines, "navigate");
    if (navigation == lines.size()) return figures;
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process.process(), &memory, sizeof memory)) figures.peak_working_set = memory.PeakWorkingSetSize;
    figures.to_navigation = since_creation(process, lines[navigation]);
    for (size_t i = 0; i < phase_count; ++i) {
      size_t at = find_fake_line(lines, phases[i].key, phases[i].value);
      if (at < lines.size()) figures.moments[i] = since_creation(process, lines[at]);
    }
    process.find_window(L"Bench");
    process.close();
    if (process.wait_for_exit() != 0) figures.to_navigation = -1;
    return figures;
  }

  // bare_window, with an extraction when archive is given: -1 when it failed.
  double bare(const fs::path& program, const fs::path& archive, size_t& peak_working_set, double& to_entry) {
    fs::path folder = temp_ / "bare";
    std::wstring arguments = archive.empty() ? L"" : L"\"" + archive.wstring() + L"\" \"" + folder.wstring() + L"\"";
    launcher_run process(program, temp_, next_log(), arguments);
    std::vector<fake_line> lines = process.wait_for_fake_line("end");
    size_t end = find_fake_line(lines, "end");
    if (end < lines.size()) {
      unsigned long long peak = 0, entry = 0;
      sscanf(lines[end].value.c_str(), "%llu %llu", &peak, &entry);
      peak_working_set = std::max(peak_working_set, (size_t)peak);
      to_entry = (double)(entry - process.creation_time()) / 1e4;
    }
    bool ok = process.wait_for_exit() == 0 && end < lines.size();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return ok ? since_creation(process, lines[end]) : -1;
  }

 private:
  fs::path next_log() { return root_ / ("run" + std::to_string(++logs_) + ".log"); }
  fs::path root_, temp_;
  int logs_ = 0;
};

// The ratio of the medians, and the median of the ratios run by run: the
// program and its floor ran moments apart in each run, so the second keeps
// what a busy machine does to a whole run out of the comparison.
void print_ratio(const char* what, const std::vector<double>& values, const std::vector<double>& floors,
                 const char* floor_text) {
  std::vector<double> ratios;
  for (size_t i = 0; i < values.size(); ++i) ratios.push_back(values[i] / floors[i]);
  double ratio = median(values) / median(floors), run_ratio = median(ratios);
  printf("  %-38s %8.1f ms   %.2f x %s, run by run %.2f x (target <= 1.15: %s)\n", what, median(values), ratio,
         floor_text, run_ratio, std::max(ratio, run_ratio) <= 1.15 ? "met" : run_ratio <= 1.15 ? "met run by run" : "NOT met");
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
  const entry_list app = as_packed(real_sized_app());
  size_t bytes = 0, depth = 0, files = 0;
  for (const auto& [name, data] : app) {
    bytes += data.size();
    files += !name.ends_with(L'/');
    depth = std::max(depth, (size_t)std::count(name.begin(), name.end(), L'/'));
  }
  const fs::path zip = root / "app.zip";
  if (!write_zip(zip, app).empty()) return 1;
  const std::string archive = read_file(zip);
  const std::string trailer = trailer_bytes("{\"WindowTitle\": \"Bench\", \"WindowWidth\": \"800\"}", archive);
  const fs::path build = built_launcher().parent_path().parent_path();
  const fs::path launcher = root / "bench.exe", marked = root / "bench-marked.exe";
  write_file(launcher, read_file(built_launcher()) + trailer);
  write_file(marked, read_file(build / "bench" / "launcher_marked.exe") + trailer);
  const fs::path bare_program = build / "bench" / "bare_window.exe";
  printf("web app: %zu files, %zu folders, %.1f MB, %zu levels deep; archive %.1f MB; %d runs\n", files,
         app.size() - files, bytes / 1e6, depth, archive.size() / 1e6, runs);

  // The prefix is shared with the tests: the runtime is there for this run only.
  if (register_fake_runtime().empty()) return 1;
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  bench_runs bench(root, temp);
  std::vector<double> bare_window, bare_entry, bare_extraction, delay0, delay300, unpacking, bare_in_process;
  std::vector<double> moments0[phase_count], moments300[phase_count];
  size_t peak = 0, bare_peak = 0;
  bool failed = false;
  for (int run = 1; run <= runs && !failed; ++run) {
    double entry = 0, ignored_entry = 0;
    double window = bench.bare(bare_program, {}, bare_peak, entry);
    double window_extraction = bench.bare(bare_program, zip, bare_peak, ignored_entry);
    launcher_figures plain0 = bench.launcher(launcher, nullptr);
    launcher_figures plain300 = bench.launcher(launcher, L"300");
    launcher_figures marks0 = bench.launcher(marked, nullptr);
    launcher_figures marks300 = bench.launcher(marked, L"300");
    for (const launcher_figures* f : {&plain0, &plain300, &marks0, &marks300}) failed |= f->to_navigation < 0;
    failed |= window < 0 || window_extraction < 0;
    if (failed) {
      printf("run %d: a program did not come to its end (bare %.0f %.0f, launcher %.0f %.0f, marked %.0f %.0f)\n", run,
             window, window_extraction, plain0.to_navigation, plain300.to_navigation, marks0.to_navigation,
             marks300.to_navigation);
      break;
    }
    bare_window.push_back(window);
    bare_entry.push_back(entry);
    bare_extraction.push_back(window_extraction);
    delay0.push_back(plain0.to_navigation);
    delay300.push_back(plain300.to_navigation);
    peak = std::max(peak, plain0.peak_working_set);
    for (size_t i = 0; i < phase_count; ++i) {
      moments0[i].push_back(marks0.moments[i]);
      moments300[i].push_back(marks300.moments[i]);
    }

    // The unpacking alone, beside a bare extraction, in this process; which
    // goes first alternates from run to run.
    for (int turn = 0; turn < 2; ++turn) {
      LARGE_INTEGER start = now();
      if ((turn + run) % 2) {
        text_scope scope;
        const wchar_t* folder = unpack_web_app(archive.data(), (int32_t)archive.size(), scope.start());
        unpacking.push_back(milliseconds_since(start));
        failed |= !folder[0];
        remove_web_app_folder(folder);
      } else {
        fs::path bare_folder = temp / "bare";
        failed |= !bare_extract(archive.data(), archive.size(), bare_folder.wstring());
        bare_in_process.push_back(milliseconds_since(start));
        std::error_code ignored;
        fs::remove_all(bare_folder, ignored);
      }
    }
    if (failed) {
      printf("run %d: the unpacking in this process failed\n", run);
      break;
    }
    printf("run %d: bare window %.1f, + extraction %.1f, launcher %.1f / %.1f (300 ms), unpacking %.1f / bare %.1f ms\n",
           run, window, window_extraction, plain0.to_navigation, plain300.to_navigation, unpacking.back(),
           bare_in_process.back());
  }
  unregister_fake_runtime();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  if (failed) return 1;

  printf("\nmedians of %d runs, ms\n", runs);
  printf("  %-38s %21s %21s\n", "phase of the marked launcher", "environment at once", "environment 300 ms");
  printf("  %-38s %10s %10s %10s %10s\n", "", "took", "at", "took", "at");
  // A launcher that asks for its environment elsewhere has no mark for it.
  double previous0 = 0, previous300 = 0;
  for (size_t i = 0; i < phase_count; ++i) {
    double at0 = median(moments0[i]), at300 = median(moments300[i]);
    if (at0 < 0 || at300 < 0) {
      printf("  %-38s %10s %10s %10s %10s\n", phases[i].title, "-", "-", "-", "-");
      continue;
    }
    printf("  %-38s %10.1f %10.1f %10.1f %10.1f\n", phases[i].title, at0 - previous0, at0, at300 - previous300, at300);
    previous0 = at0;
    previous300 = at300;
  }
  printf("\n  %-38s %8.1f ms\n", "bare window: process start -> entry", median(bare_entry));
  printf("  %-38s %8.1f ms\n", "bare window", median(bare_window));
  printf("  %-38s %8.1f ms\n", "bare window + extraction", median(bare_extraction));
  print_ratio("launcher start -> navigate, delay 0", delay0, bare_extraction, "bare window + extraction");
  std::vector<double> floors300;
  for (size_t i = 0; i < bare_window.size(); ++i) floors300.push_back(std::max(bare_window[i] + 300, bare_extraction[i]));
  print_ratio("launcher start -> navigate, delay 300", delay300, floors300,
              "the larger of bare window + 300 ms and bare window + extraction");
  printf("\n  %-38s %8.1f ms\n", "bare extraction in this process", median(bare_in_process));
  print_ratio("unpack_web_app in this process", unpacking, bare_in_process, "bare extraction");
  double archive_mb = archive.size() / 1048576.0, peak_mb = peak / 1048576.0;
  printf("\n  launcher peak working set %.1f MB, archive %.1f MB: %.1f MB above it (target <= 16 MB: %s)\n", peak_mb,
         archive_mb, peak_mb - archive_mb, peak && peak_mb <= archive_mb + 16 ? "met" : "NOT met");
  printf("  bare window (+ extraction) peak working set %.1f MB\n", bare_peak / 1048576.0);
  return 0;
}
