#pragma once
// Drives real launcher processes: builds an executable with a payload, runs
// it with a private temporary directory, finds its window by title, and
// closes, resizes or kills it. One launcher_run per process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/core/files.h"
#include "runtime/pack/pack.h"
#include "support/runtime_environment.h"
#include "support/web_app_files.h"

// Long enough for a cold Wine start on a busy machine.
constexpr DWORD launcher_timeout_ms = 30000;

struct window_facts {
  RECT outer;   // GetWindowRect
  RECT client;  // GetClientRect
  LONG style;
  LONG extended_style;
  int child_windows;
};

window_facts facts_of(HWND window);

// The environment of this process with TMP and TEMP set to temp, as a
// block for CreateProcessW.
std::wstring environment_with_temp(const fs::path& temp);

class launcher_run {
 public:
  launcher_run(const fs::path& executable, const fs::path& temp);
  ~launcher_run();
  launcher_run(const launcher_run&) = delete;
  launcher_run& operator=(const launcher_run&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  // The process's visible top-level window with this title, once the
  // launcher has gone on to wait for input; none after the timeout.
  HWND wait_for_window(const std::wstring& title);
  // Asks the window to close, as its close box does.
  void close();
  // The exit code, or STILL_ACTIVE when the process has not ended in time.
  DWORD wait_for_exit();
  // Ends the process the hard way, as a crash or the task manager would.
  void kill();

  HWND window = nullptr;

 private:
  PROCESS_INFORMATION process_ = {};
};

// One private folder per test, holding the launchers made for it (bin/) and
// the temporary directory they are started with (tmp/).
class end_to_end_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // launcher.exe with [settings][J][archive of files][Z]["WAPP"] appended;
  // empty settings or files leave their part out.
  fs::path make_launcher(const std::wstring& name, const std::string& settings, const entry_list& files);
  // launcher.exe as it is built, with no payload at all.
  fs::path plain_launcher(const std::wstring& name);
  // Everything under tmp/ that belongs to web app folders ("webapp*").
  std::set<std::wstring> web_app_folders() const;
  std::string archive_of(const entry_list& files);

  fs::path root, bin, temp;
  // The archive of the last make_launcher, as the payload carries it.
  std::string last_archive;
};

using setting_list = std::vector<std::pair<std::string, std::string>>;

// A settings document for a window of the given title, with the changes
// made to the reference sample's (500 x 850, every switch "0").
std::string settings_document(const std::string& title, const setting_list& changes = {});
