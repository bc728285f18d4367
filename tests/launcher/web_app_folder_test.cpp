// The web app folder: how launchers share one temporary directory (claims,
// stale and foreign folders). Which entries are unpacked: tests/payload/.
#include <gtest/gtest.h>

#include "launcher/web_app_folder.h"
#include "support/links.h"
#include "support/web_app_files.h"

namespace {

class WebAppFolders : public ::testing::Test {
 protected:
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

TEST_F(WebAppFolders, AStartRemovesOnlyWhatLaunchersThatAreGoneLeftBehind) {
  fs::create_directories(temp / "webapp");
  write_file(temp / "webapp" / "mine.txt", "not a launcher's");
  make_left_behind(L"WEBAPP-2");
  // Marked, but not names a launcher uses.
  make_left_behind(L"webapp-33");
  make_left_behind(L"webapp-old");
  // A browser process may still hold a file of a killed launcher's folder.
  make_left_behind(L"webapp-7");
  HANDLE busy = CreateFileW((temp / "webapp-7" / "a" / "b" / "c.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  // A live launcher's folder: the first free name past the foreign one.
  web_app_folder_claim live;
  ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), live));
  EXPECT_EQ(std::wstring(live.folder), temporary + L"webapp-3/");
  write_file(temp / "webapp-3" / "index.html", "live");

  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_FALSE(fs::exists(temp / "webapp-2"));
  EXPECT_EQ(read_file(temp / "webapp" / "mine.txt"), "not a launcher's");
  EXPECT_EQ(read_file(temp / "webapp-3" / "index.html"), "live");
  EXPECT_TRUE(fs::exists(temp / "webapp-33" / "a" / "b" / "c.txt"));
  EXPECT_TRUE(fs::exists(temp / "webapp-old" / "a" / "b" / "c.txt"));
  // What could not go stays marked, for the next start.
  EXPECT_EQ(tree_of(temp / "webapp-7"), (std::set<std::wstring>{L"a/", L"a/b/", L"a/b/c.txt", L"webapp.lock"}));
  CloseHandle(busy);
  release_web_app_folder(live, 0);
  EXPECT_EQ(live.marker, nullptr);
  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_FALSE(fs::exists(temp / "webapp-3"));
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

TEST_F(WebAppFolders, AFolderThatCannotGoYetStaysMarkedForTheNextStart) {
  const fs::path work = temp / "work";
  fs::create_directories(work);
  web_app_folder_claim claim;
  ASSERT_TRUE(claim_web_app_folder(temporary.c_str(), claim));
  write_file(temp / "webapp" / "index.html", "x");
  // A link to nothing, which Wine's listings do not show.
  const std::string made = make_host_links({{temp / "webapp" / "ghost", temp / "nothing"}}, work);
  if (!made.empty()) GTEST_SKIP() << "no host link: " << made;
  release_web_app_folder(claim, 0);
  EXPECT_EQ(tree_of(temp / "webapp"), (std::set<std::wstring>{L"webapp.lock"}));
  remove_host_links({temp / "webapp" / "ghost"}, work);
  remove_stale_web_app_folders(temporary.c_str());
  EXPECT_FALSE(fs::exists(temp / "webapp"));
}

}  // namespace
