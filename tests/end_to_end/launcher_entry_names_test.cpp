// A real launcher on the table of entry names: it unpacks exactly the names
// the payload library lets through, each where its name says, under a
// temporary folder as long as the one the packer's path bound plans for.
#include "launcher_driver.h"
#include "support/entry_name_cases.h"

namespace {

using LauncherEntryNames = end_to_end_test;

std::wstring wide(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())).wstring(); }

// Where the launcher puts an entry, and every folder above it: "\" and "/"
// separate, "." and empty parts drop out.
void add_unpacked(const std::wstring& name, std::set<std::wstring>& tree) {
  std::wstring path, part;
  for (wchar_t c : name + L"/") {
    if (c != L'/' && c != L'\\') {
      part += c;
      continue;
    }
    if (!part.empty() && part != L".") {
      path += part;
      tree.insert(path + L"/");
      path += L"/";
    }
    part.clear();
  }
  if (!name.ends_with(L'/')) tree.erase(path), tree.insert(path.substr(0, path.size() - 1));
}

TEST_F(LauncherEntryNames, UnpacksWhatTheRuleLetsThroughUnderTheLongestTemporaryFolder) {
  entry_list files;
  std::set<std::wstring> expected = {L"webapp.zip", L"webapp.lock"};
  for (const auto& c : entry_name_cases()) {
    files.emplace_back(wide(c.name), c.name.ends_with('/') ? "" : "x");
    EXPECT_EQ(judge_entry_name(files.back().first), c.verdict) << c.name;
    if (c.outcome == name_outcome::unpacked) add_unpacked(files.back().first, expected);
  }
  // Beside the test's own folder, whose name alone may be longer.
  const std::wstring base = (fs::temp_directory_path() / ("wapp-names-" + std::to_string(GetCurrentProcessId()) + "-"))
                                .wstring();
  ASSERT_LT(base.size() + 1, longest_temporary_folder);
  const fs::path long_temp = base + std::wstring(longest_temporary_folder - base.size() - 1, L't');
  fs::create_directories(long_temp);
  ASSERT_EQ(long_temp.wstring().size() + 1, longest_temporary_folder);

  const fs::path executable = make_launcher(L"names", settings_document("Names"), files);
  launcher_run run(executable, long_temp, log_of(executable));
  ASSERT_TRUE(run.wait_for_window(L"Names"));
  EXPECT_EQ(tree_of(long_temp / "webapp"), expected);
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(tree_of(long_temp).empty());
  fs::remove_all(long_temp);
}

}  // namespace
