#pragma once
// What every end-to-end test stands on: a private folder per test, the
// launchers made for it with their payloads, and the processes started from
// them (launcher_run).
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/core/files.h"
#include "runtime/pack/pack.h"
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

  // launcher.exe with [settings][J][archive of files][Z]["WAPP"] appended;
  // empty settings or files leave their part out.
  fs::path make_launcher(const std::wstring& name, const std::string& settings, const entry_list& files);
  // The same with the archive's bytes as given.
  fs::path make_launcher(const std::wstring& name, const std::string& settings, const std::string& archive);
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
