#pragma once
// What the failure walks share: a temporary directory of the program's own
// (the launcher unpacks under TMP), a web app of a real size, the checks of
// what unpacking may leave on disk, and the heaps' live-block counts.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <string>

#include "fault_switch.h"
#include "runtime/core/memory.h"
#include "support/temp_files.h"
#include "support/web_app_files.h"

// TMP and TEMP point into a fresh folder for the object's life.
class scratch_temp {
 public:
  scratch_temp() : path_(made_afresh(unique_temp_path(L"wapp-faults-"))), override_(path_) {}
  ~scratch_temp() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  // Everything left in it, "/" after folders.
  std::set<std::wstring> left() const { return tree_of(path_); }

 private:
  static fs::path made_afresh(const fs::path& path) {
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
  }
  fs::path path_;
  temp_directory_override override_;
};

// Bytes that do not compress, the same on every run.
inline std::string noise(size_t size, uint32_t seed) {
  std::string bytes(size, 0);
  for (char& c : bytes) {
    seed = seed * 1664525u + 1013904223u;
    c = (char)(seed >> 24);
  }
  return bytes;
}

// About 3 MB in 30 entries, folders two levels deep before what they hold,
// and one file larger than the 2 MiB an extraction copies at a time.
inline entry_list real_sized_app() {
  std::string page = "<!doctype html><title>app</title><script src=\"js/app.js\"></script>";
  entry_list app = {{L"css/", ""},
                    {L"css/site.css", std::string(20000, 'c')},
                    {L"data/", ""},
                    {L"data/atlas.bin", noise(2300000, 7)},
                    {L"fonts/", ""},
                    {L"img/", ""},
                    {L"img/icons/", ""},
                    {L"index.html", page},
                    {L"js/", ""},
                    {L"js/app.js", std::string(150000, 'j')},
                    {L"package.json", "{\"name\":\"app\"}"},
                    {L"empty.txt", ""}};
  for (int i = 0; i < 4; ++i) app.push_back({L"fonts/face-" + std::to_wstring(i) + L".woff2", noise(40000, 100 + i)});
  for (int i = 0; i < 12; ++i)
    app.push_back(
        {(i % 2 ? L"img/icons/i" : L"img/p") + std::to_wstring(i) + L".png", noise(5000 + 4000 * i, 200 + i)});
  return app;
}

// What a web app folder holds beside what the archive lists, and what of the
// archive it lacks.
struct folder_contents {
  std::vector<std::wstring> strays;   // files that are not an entry in full (nor the archive, nor the marker)
  std::vector<std::wstring> missing;  // files of the archive that are not there
};

inline folder_contents compare_folder(const fs::path& folder, const entry_list& app, const std::string& archive) {
  folder_contents result;
  std::set<std::wstring> seen;
  for (const std::wstring& name : tree_of(folder)) {
    if (name.ends_with(L'/') || name == L"webapp.lock") continue;
    const std::string bytes = read_file(folder / name);
    bool whole = name == L"webapp.zip" && bytes == archive;
    for (const auto& [entry, data] : app) whole = whole || (entry == name && data == bytes);
    if (whole)
      seen.insert(name);
    else
      result.strays.push_back(name);
  }
  for (const auto& [entry, data] : app)
    if (!entry.ends_with(L'/') && !seen.count(entry)) result.missing.push_back(entry);
  return result;
}

using live_blocks = std::array<int64_t, heap_kinds>;
inline live_blocks live_of(const fault_switch& faults) {
  live_blocks live;
  std::memcpy(live.data(), faults.counts().live, sizeof faults.counts().live);
  return live;
}

inline live_blocks unreachable_of(const fault_switch& faults) {
  live_blocks lost;
  std::memcpy(lost.data(), faults.counts().unreachable_at_destroy, sizeof faults.counts().unreachable_at_destroy);
  return lost;
}

// A memory block holding the bytes, as the payload reader leaves them.
inline void* memory_block_of(const std::string& bytes) {
  void* block = allocate_memory((int64_t)bytes.size());
  if (block) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

// Runs run(n) for n = 1, 2, ... until a run in which the n-th counted call
// never came (every point has been failed once), or a run fails its checks;
// the number of points walked.
template <typename run_function>
int64_t walk_every_point(const fault_switch& faults, run_function&& run) {
  for (int64_t n = 1;; ++n) {
    SCOPED_TRACE("failing call " + std::to_string(n));
    run(n);
    if (!faults.counts().fired || ::testing::Test::HasFailure()) return n - 1;
  }
}
