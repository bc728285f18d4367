// Real launcher processes sharing one temporary directory: unsafe entry
// names, several launchers at once, folders that are not theirs, what a
// killed launcher leaves behind, a window closed while its app is unpacked,
// and a directory an address reads otherwise.
#include "launcher_driver.h"

namespace {

using LauncherFolder = end_to_end_test;

// The folder as a launcher keeps it: its own two files, then the app's.
std::set<std::wstring> folder_tree(const std::wstring& folder, std::initializer_list<const wchar_t*> names) {
  std::set<std::wstring> tree = {folder + L"/", folder + L"/webapp.zip", folder + L"/webapp.lock"};
  for (const wchar_t* name : names) tree.insert(folder + L"/" + name);
  return tree;
}

std::set<std::wstring> joined(std::set<std::wstring> a, const std::set<std::wstring>& b) {
  a.insert(b.begin(), b.end());
  return a;
}

TEST_F(LauncherFolder, UnsafeEntriesAreSkippedAndEveryLevelOfTheOthersIsMade) {
  entry_list files = {{L"../escape.txt", "x"},  {L"a/../../up.txt", "x"},   {L"..\\back.txt", "x"},
                      {L"/absolute.txt", "x"},  {L"C:/drive.txt", "x"},     {L"index.html:hidden", "x"},
                      {L"nul.txt", "x"},        {L"con/inside.txt", "x"},   {L"webapp.zip", "not the archive"},
                      {L"WebApp.Lock", "x"},    {L"index.html", "<p>safe"}, {L"deep/er/two.txt", "two levels"}};
  launcher_run run = start(make_launcher(L"unsafe", settings_document("Unsafe"), files));
  ASSERT_TRUE(run.wait_for_window(L"Unsafe"));
  // Nothing outside the folder either: the temporary directory holds only it.
  EXPECT_EQ(tree_of(temp), folder_tree(L"webapp", {L"index.html", L"deep/", L"deep/er/", L"deep/er/two.txt"}));
  EXPECT_TRUE(read_file(temp / "webapp" / "webapp.zip") == last_archive);
  EXPECT_EQ(read_file(temp / "webapp" / "deep" / "er" / "two.txt"), "two levels");
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(tree_of(temp).empty());
}

TEST_F(LauncherFolder, LaunchersRunningAtOnceKeepTheirOwnAppsUntilTheirOwnClose) {
  launcher_run first =
      start(make_launcher(L"first", settings_document("First"), {{L"index.html", "first"}, {L"first.txt", "1"}}));
  launcher_run second = start(
      make_launcher(L"second", settings_document("Second"), {{L"index.html", "second"}, {L"js/second.js", "2"}}));
  ASSERT_TRUE(first.wait_for_window(L"First"));
  ASSERT_TRUE(second.wait_for_window(L"Second"));
  // Started together, either may have won webapp/.
  const bool first_won = read_file(temp / "webapp" / "index.html") == "first";
  const std::wstring first_folder = first_won ? L"webapp" : L"webapp-2";
  const std::wstring second_folder = first_won ? L"webapp-2" : L"webapp";
  const auto first_tree = folder_tree(first_folder, {L"index.html", L"first.txt"});
  const auto second_tree = folder_tree(second_folder, {L"index.html", L"js/", L"js/second.js"});
  EXPECT_EQ(web_app_folders(), joined(first_tree, second_tree));
  EXPECT_EQ(last_fake_value(first.wait_for_fake_line("navigate"), "navigate"), app_address(first_folder));
  EXPECT_EQ(last_fake_value(second.wait_for_fake_line("navigate"), "navigate"), app_address(second_folder));

  first.close();
  EXPECT_EQ(first.wait_for_exit(), 0u);
  EXPECT_EQ(web_app_folders(), second_tree);
  EXPECT_EQ(read_file(temp / second_folder / "index.html"), "second");
  second.close();
  EXPECT_EQ(second.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
}

TEST_F(LauncherFolder, AFolderThatIsNotALaunchersIsLeftAlone) {
  fs::create_directories(temp / "webapp");
  write_file(temp / "webapp" / "notes.txt", "someone else's");
  const std::set<std::wstring> foreign = {L"webapp/", L"webapp/notes.txt"};
  launcher_run run = start(make_launcher(L"guest", settings_document("Guest"), {{L"index.html", "guest"}}));
  ASSERT_TRUE(run.wait_for_window(L"Guest"));
  EXPECT_EQ(web_app_folders(), joined(foreign, folder_tree(L"webapp-2", {L"index.html"})));
  EXPECT_EQ(last_fake_value(run.wait_for_fake_line("navigate"), "navigate"), app_address(L"webapp-2"));
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_EQ(web_app_folders(), foreign);
  EXPECT_EQ(read_file(temp / "webapp" / "notes.txt"), "someone else's");
}

TEST_F(LauncherFolder, WhatAKilledLauncherLeavesIsRemovedByTheNextStart) {
  launcher_run killed = start(
      make_launcher(L"killed", settings_document("Killed"), {{L"index.html", "killed"}, {L"img/killed.png", "k"}}));
  ASSERT_TRUE(killed.wait_for_window(L"Killed"));
  // Killed while its browser holds the page open.
  killed.wait_for_fake_line("document_file");
  killed.kill();
  EXPECT_EQ(web_app_folders(), folder_tree(L"webapp", {L"index.html", L"img/", L"img/killed.png"}));

  launcher_run next = start(make_launcher(L"next", settings_document("Next"), {{L"index.html", "next"}}));
  ASSERT_TRUE(next.wait_for_window(L"Next"));
  EXPECT_EQ(last_fake_value(next.wait_for_fake_line("navigate"), "navigate"), app_address());
  EXPECT_EQ(web_app_folders(), folder_tree(L"webapp", {L"index.html"}));
  EXPECT_EQ(read_file(temp / "webapp" / "index.html"), "next");
  next.close();
  EXPECT_EQ(next.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
}

// The window comes before a large app is unpacked and answers meanwhile
// (one that does not answer for five seconds is "Not responding"); closed
// then, the unpacking stops, the folder goes and the run ends as any other.
TEST_F(LauncherFolder, ALargeAppsWindowAnswersWhileItIsUnpackedAndItsCloseStopsTheUnpacking) {
  const std::string large(384u << 20, '\0');  // zeros: a small archive, a long extraction
  launcher_run run =
      start(make_launcher(L"large", settings_document("Large"), {{L"a-large.bin", large}, {L"index.html", "large"}}));
  HWND window = run.find_window(L"Large");
  ASSERT_TRUE(window);
  const fs::path unpacked = temp / "webapp" / "a-large.bin";
  std::error_code error;
  for (int waited = 0; waited < 30000 && fs::file_size(unpacked, error) < (16u << 20); waited += 10) Sleep(10);
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer));
  EXPECT_LT(fs::file_size(unpacked, error), large.size()) << "the window came after the unpacking";
  EXPECT_TRUE(fake_values(run.fake_log(), "navigate").empty()) << "the page comes when its files are there";
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
  EXPECT_TRUE(fake_values(run.fake_log(), "navigate").empty());
}

// Another program reading the launcher's file (sharing reads, as a second
// copy starting or a backup does), and a temporary directory whose name an
// address reads otherwise ("#" starts a fragment, "%41" reads as "A").
TEST_F(LauncherFolder, ItsFileReadBesideItAndATemporaryDirectoryWithHashAndPercentStillShowItsApp) {
  const fs::path launcher = make_launcher(L"own", settings_document("Own app"), {{L"index.html", "own"}});
  HANDLE reader = CreateFileW(launcher.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  const fs::path odd = root / L"C#Dev%41";
  fs::create_directories(odd);
  launcher_run run(launcher, odd, log_of(launcher));
  EXPECT_TRUE(run.wait_for_window(L"Own app"));
  // Read as a browser reads it, the address names the page, which is found.
  std::vector<fake_line> lines = run.wait_for_fake_line("document_file");
  EXPECT_EQ(file_address_path(last_fake_value(lines, "navigate")), utf8_of(odd.wstring() + L"\\webapp/index.html"));
  EXPECT_EQ(last_fake_value(lines, "document_file"), "held");
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  CloseHandle(reader);
  EXPECT_TRUE(tree_of(odd).empty());
}

}  // namespace
