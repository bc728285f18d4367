// The web app folder: which archive entries may be unpacked, and how
// launchers share one temporary directory (claims, stale and foreign folders).
#include <gtest/gtest.h>

#include "launcher/web_app_folder.h"
#include "runtime/core/files.h"
#include "runtime/core/strings.h"
#include "support/web_app_files.h"

namespace {

TEST(WebAppEntryNames, OnlyRelativeOrdinaryNamesAreUnpacked) {
  for (const wchar_t* name :
       {L"index.html", L"css/", L"a/b/c/d.js", L"./index.html", L"a\\b.txt", L"a//b", L".well-known/x",
        L"console.js", L"nullable.js", L"com10.txt", L"lpt.txt", L"con-x/y", L"sub/webapp.zip", L"webapp.zip.bak"})
    EXPECT_TRUE(is_safe_entry_name(name)) << name;
  for (const wchar_t* name :
       {L"", L".", L"./", L"/", L"/etc/x", L"\\x", L"\\\\server\\share\\x", L"//server/share/x", L"C:x.txt",
        L"C:\\x.txt", L"index.html:stream", L"..", L"../x", L"a/../../x", L"a\\..\\x", L"a/..", L"CON", L"nul.txt",
        L"Aux.tar.gz", L"a/com1/b", L"LPT9.js", L"COM\u00B9", L"nul .txt", L"conin$", L"webapp.zip", L"WebApp.ZIP",
        L"./webapp.lock", L"webapp.zip/", L"a.", L"a /b"})
    EXPECT_FALSE(is_safe_entry_name(name)) << name;
}

class WebAppFolders : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    file_library_start();
    pack_library_start();
    enable_zip_packer();
  }
  static void TearDownTestSuite() {
    pack_library_stop();
    file_library_stop();
  }
  void SetUp() override {
    temp = fs::temp_directory_path() / ("wapp-folders-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(temp);
    fs::create_directories(temp);
    temporary = temp.wstring() + L"\\";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(temp, ignored);
  }
  // A folder as a launcher leaves it when it is killed: marked, held by nobody.
  void make_left_behind(const std::wstring& name) {
    fs::create_directories(temp / name / "a" / "b");
    write_file(temp / name / web_app_marker_name, "");
    write_file(temp / name / "a" / "b" / "c.txt", "c");
  }
  fs::path temp;
  std::wstring temporary;
};

TEST_F(WebAppFolders, EachLauncherKeepsItsOwnFolderAndForeignOnesAreLeftAlone) {
  fs::create_directories(temp / "webapp");
  write_file(temp / "webapp" / "mine.txt", "not a launcher's");
  web_app_folder_claim first, second, third;
  ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), first));
  ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), second));
  EXPECT_EQ(std::wstring(first.folder), temporary + L"webapp-2/");
  EXPECT_EQ(std::wstring(second.folder), temporary + L"webapp-3/");
  write_file(temp / "webapp-2" / "index.html", "first");
  write_file(temp / "webapp-3" / "index.html", "second");

  // Another launcher starting now sees both as live.
  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_EQ(tree_of(temp), (std::set<std::wstring>{L"webapp/", L"webapp/mine.txt", L"webapp-2/",
                                                    L"webapp-2/index.html", L"webapp-2/webapp.lock", L"webapp-3/",
                                                    L"webapp-3/index.html", L"webapp-3/webapp.lock"}));

  release_web_app_folder(first, 0);
  EXPECT_EQ(first.marker, nullptr);
  EXPECT_FALSE(fs::exists(temp / "webapp-2"));
  EXPECT_EQ(read_file(temp / "webapp-3" / "index.html"), "second");
  // The freed name is the first free one again.
  ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), third));
  EXPECT_EQ(std::wstring(third.folder), temporary + L"webapp-2/");
  release_web_app_folder(second, 0);
  release_web_app_folder(third, 0);
  EXPECT_EQ(tree_of(temp), (std::set<std::wstring>{L"webapp/", L"webapp/mine.txt"}));
}

TEST_F(WebAppFolders, AStartRemovesWhatLaunchersThatAreGoneLeftBehind) {
  make_left_behind(L"webapp");
  make_left_behind(L"WEBAPP-5");
  // Marked, but not names a launcher uses.
  make_left_behind(L"webapp-33");
  make_left_behind(L"webapp-old");
  // A browser process may still hold a file of a killed launcher's folder.
  make_left_behind(L"webapp-7");
  HANDLE busy = CreateFileW((temp / "webapp-7" / "a" / "b" / "c.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);

  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_FALSE(fs::exists(temp / "webapp"));
  EXPECT_FALSE(fs::exists(temp / "webapp-5"));
  EXPECT_TRUE(fs::exists(temp / "webapp-33" / "a" / "b" / "c.txt"));
  EXPECT_TRUE(fs::exists(temp / "webapp-old" / "a" / "b" / "c.txt"));
  // What could not go stays marked, for the next start.
  EXPECT_EQ(tree_of(temp / "webapp-7"), (std::set<std::wstring>{L"a/", L"a/b/", L"a/b/c.txt", L"webapp.lock"}));
  CloseHandle(busy);
  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_FALSE(fs::exists(temp / "webapp-7"));
}

TEST_F(WebAppFolders, RemovalWaitsBrieflyForFilesTheBrowserStillHolds) {
  struct held_file {
    HANDLE handle;
    DWORD release_after_ms;
  };
  auto let_go_later = [](void* parameter) -> DWORD {
    auto* held = (held_file*)parameter;
    Sleep(held->release_after_ms);
    CloseHandle(held->handle);
    return 0;
  };
  for (DWORD patience : {3000, 100}) {
    SCOPED_TRACE(patience);
    web_app_folder_claim claim;
    ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), claim));
    fs::create_directories(temp / "webapp" / "js");
    write_file(temp / "webapp" / "js" / "app.js", "x");
    held_file held = {CreateFileW((temp / "webapp" / "js" / "app.js").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr),
                      400};
    HANDLE thread = CreateThread(nullptr, 0, let_go_later, &held, 0, nullptr);
    release_web_app_folder(claim, patience);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (patience > held.release_after_ms) {
      EXPECT_FALSE(fs::exists(temp / "webapp"));
    } else {
      // Given up: left marked and unheld, so the next start finishes the job.
      EXPECT_TRUE(fs::exists(temp / "webapp" / "webapp.lock"));
      remove_stale_web_app_folders(temporary.c_str());
      EXPECT_FALSE(fs::exists(temp / "webapp"));
    }
  }
}

TEST_F(WebAppFolders, UnpackingFillsAllLevelsOrLeavesNothing) {
  wchar_t tmp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", temporary.c_str());
  auto unpack = [](const std::string& archive) {
    text_scope scope;
    return std::wstring(unpack_web_app(archive.data(), (int32_t)archive.size(), scope.start()));
  };
  EXPECT_EQ(unpack(""), L"");
  EXPECT_EQ(unpack("not an archive"), L"");
  EXPECT_TRUE(tree_of(temp).empty());

  ASSERT_EQ(write_zip(temp / "app.zip", {{L"index.html", "<p>"}, {L"a/b/c/deep.js", "d"}, {L"../up.txt", "u"}}), L"");
  const std::string archive = read_file(temp / "app.zip");
  fs::remove(temp / "app.zip");
  const std::wstring folder = unpack(archive);
  EXPECT_EQ(folder, temporary + L"webapp/");
  EXPECT_EQ(tree_of(temp), (std::set<std::wstring>{L"webapp/", L"webapp/index.html", L"webapp/a/", L"webapp/a/b/",
                                                    L"webapp/a/b/c/", L"webapp/a/b/c/deep.js", L"webapp/webapp.zip",
                                                    L"webapp/webapp.lock"}));
  EXPECT_EQ(read_file(temp / "webapp" / "webapp.zip"), archive);
  remove_web_app_folder((temporary + L"webapp-2/").c_str());  // not this run's: nothing happens
  EXPECT_TRUE(fs::exists(temp / "webapp" / "index.html"));
  remove_web_app_folder(folder.c_str());
  EXPECT_TRUE(tree_of(temp).empty());
  SetEnvironmentVariableW(L"TMP", tmp);
}

}  // namespace
