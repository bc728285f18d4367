#pragma once
// What every end-to-end test stands on: a private folder per test, the
// launchers made for it with their payloads, the processes started from
// them (launcher_run), and the fake WebView2 runtime registered in the
// prefix for the whole program, each launcher's browser logged on its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/core/files.h"
#include "runtime/pack/pack.h"
#include "support/fake_runtime.h"
#include "support/launcher_process.h"
#include "support/runtime_environment.h"
#include "support/web_app_files.h"

// One private folder per test, holding the launchers made for it (bin/) and
// the temporary directory they are started with (tmp/).
class end_to_end_test : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // launcher.exe (or base) with [settings][J][archive of files][Z]["WAPP"]
  // appended; empty settings or files leave their part out.
  fs::path make_launcher(const std::wstring& name, const std::string& settings, const entry_list& files,
                         const fs::path& base = built_launcher());
  // The same with the archive's bytes as given.
  fs::path make_launcher(const std::wstring& name, const std::string& settings, const std::string& archive,
                         const fs::path& base = built_launcher());
  // launcher.exe as it is built, with no payload at all.
  fs::path plain_launcher(const std::wstring& name);
  // wapp-pack run in this process, with bin/ as its own folder: its exit
  // status, and what it printed in output.
  int run_packer(const std::vector<fs::path>& args, std::string& output);
  // A launcher process with the test's temporary directory, its browser
  // logged to <root>/<name of the executable>.log.
  launcher_run start(const fs::path& executable) { return launcher_run(executable, temp, log_of(executable)); }
  fs::path log_of(const fs::path& executable) const { return root / executable.stem().concat(".log"); }
  // The page of the app unpacked into a folder of the temporary directory,
  // made as the launcher makes it: plain concatenation, separators as they come.
  std::string app_address(const std::wstring& folder = L"webapp") const;
  // Everything under tmp/ that belongs to web app folders ("webapp*").
  std::set<std::wstring> web_app_folders() const;
  std::string archive_of(const entry_list& files);

  fs::path root, bin, temp;
  // The archive of the last make_launcher, as the payload carries it.
  std::string last_archive;
};

using setting_list = std::vector<std::pair<std::string, std::string>>;

// A settings document for a window of the given title, with the changes
// made to the reference sample's (500 x 850, every switch "0"); keys it
// lacks are added at the end.
std::string settings_document(const std::string& title, const setting_list& changes = {});

// The browser's objects that were destroyed, by kind ("controller"), each
// with the COM apartment of that moment: "controller sta". The arguments of
// events, which live for one call, are left out.
std::set<std::string> destroyed_browser_objects(const std::vector<fake_line>& lines);
// Every object the browser had, gone while OLE was still up: the web view
// was released before the runtime stopped.
const std::set<std::string> browser_released_in_time = {"controller sta", "environment sta", "settings sta",
                                                         "web_view sta"};

// Takes the fake runtime away for a scope, and puts it back after.
struct without_webview2_runtime {
  without_webview2_runtime() { unregister_fake_runtime(); }
  ~without_webview2_runtime() { register_fake_runtime(); }
};

// Has the page of every launcher started in the scope take these actions,
// one per line (tests/fakes/fake_webview2.h, WAPP_FAKE_WEBVIEW2_PAGE), from
// the file given.
struct page_actions {
  page_actions(const fs::path& file, const std::string& lines) {
    write_file(file, lines);
    SetEnvironmentVariableW(fake_page_variable, file.c_str());
  }
  ~page_actions() { SetEnvironmentVariableW(fake_page_variable, nullptr); }
};

// Puts tests/end_to_end_helpers' browser_stand_in in for the user's default
// browser for a scope, as the shell's handler of each scheme given: every
// such address a launcher has the shell open shows in its fake runtime's log
// as "opened <address>". The prefix's own handlers are put back after.
class stand_in_browser {
 public:
  explicit stand_in_browser(std::vector<std::wstring> schemes = {L"https"});
  ~stand_in_browser();

 private:
  struct handler {
    std::wstring scheme, previous;  // previous: the command the scheme had
    bool existed;                   // the scheme had a class of its own
  };
  std::vector<handler> handlers_;
};
