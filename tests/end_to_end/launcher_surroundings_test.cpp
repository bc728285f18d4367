// Real launchers showing their own app whatever is around them: another
// program reading the launcher's file at the same moment, and a temporary
// directory whose name an address would read otherwise.
#include "launcher_driver.h"

namespace {

using LauncherSurroundings = end_to_end_test;

// A file held open by this process, which is another program to the launcher.
struct held_open {
  HANDLE handle;
  ~held_open() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

TEST_F(LauncherSurroundings, ItsFileReadBesideItAndAnyTemporaryDirectoryStillShowItsOwnApp) {
  const fs::path launcher = make_launcher(L"own", settings_document("Own app"), {{L"index.html", "<p>own</p>"}});
  // Sharing reads only, as a second copy starting or a backup program holds it.
  held_open reader = {
      CreateFileW(launcher.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
  ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE);
  struct {
    const char* name;
    fs::path temp;
  } cases[] = {
      {"an ordinary temporary directory", temp},
      // "#" would start a fragment, "%41" read as "A".
      {"a temporary directory named with # and %41", root / L"C#Dev%41"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories(c.temp);
    launcher_run run(launcher, c.temp, root / (c.temp.filename().wstring() + L".log"));
    ASSERT_TRUE(run.wait_for_window(L"Own app"));
    std::vector<fake_line> lines = run.wait_for_fake_line("document_file");
    const std::string address = last_fake_value(lines, "navigate");
    const std::string page = utf8_of(c.temp.wstring() + L"\\webapp/index.html");
    // Read as a browser reads it, the address names the app's page, which
    // the browser then found and holds.
    EXPECT_EQ(file_address_path(address), page) << address;
    EXPECT_EQ(last_fake_value(lines, "document_file"), "held");
    if (c.temp == temp) {
      EXPECT_EQ(address, app_address()) << "not the plain concatenation of always";
    }
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
    EXPECT_TRUE(tree_of(c.temp).empty());
  }
}

}  // namespace
