// Unpacking onto a disk that fills up in the middle of an entry: a small
// tmpfs of the host, mounted for this program by with_full_disk and mapped
// as a drive of its Wine prefix. The entry that does not fit fails alone and
// leaves no partial file, the entries after it still come, and the folder
// goes at the end, in the pack walk, in the launcher's unpacking and in a
// real launcher process.
#include <gtest/gtest.h>

#include <random>

#include "launcher/web_app_folder.h"
#include "runtime/core/files.h"
#include "runtime/core/strings.h"
#include "support/fake_runtime.h"
#include "support/launcher_process.h"
#include "support/runtime_environment.h"
#include "support/temp_files.h"
#include "support/web_app_files.h"

namespace {

constexpr size_t small_size = 24 * 1024;

// Between two small incompressible files, one that compresses to almost
// nothing but unpacks to more than the whole disk.
entry_list filling_app() {
  std::mt19937 random(3);
  std::string a(small_size, 0), c(small_size, 0);
  for (char& byte : a) byte = (char)random();
  for (char& byte : c) byte = (char)random();
  return {{L"index.html", "<p>full"}, {L"a.bin", a}, {L"big.bin", std::string(4 << 20, 0)}, {L"c.bin", c}};
}

uint64_t free_bytes(const std::wstring& drive) {
  ULARGE_INTEGER free = {}, total, all_free;
  GetDiskFreeSpaceExW(drive.c_str(), &free, &total, &all_free);
  return free.QuadPart;
}

class FullDisk : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    register_fake_runtime();
    file_library_start();
    pack_library_start();
    enable_zip_packer();
  }
  static void TearDownTestSuite() {
    pack_library_stop();
    file_library_stop();
    unregister_fake_runtime();
  }
  void SetUp() override {
    wchar_t drive[8] = {};
    GetEnvironmentVariableW(L"WAPP_FULL_DISK_DRIVE", drive, 8);
    if (!drive[0]) GTEST_SKIP() << "no small disk here: tests/full_disk/with_full_disk mounts one only as root";
    disk = std::wstring(drive) + L"\\";
    scratch = fs::temp_directory_path() / ("wapp-full-disk-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    ASSERT_TRUE(tree_of(disk).empty()) << "the small disk is not empty";
    empty_disk_free = free_bytes(disk);
    ASSERT_LT(empty_disk_free, 4u << 20) << "the disk is not small";
    archive = scratch / "app.zip";
    ASSERT_EQ(write_zip(archive, app), L"");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
  }
  // The folder with everything the app has but the entry that cannot fit,
  // and the launcher's own files when given.
  std::set<std::wstring> fitting_tree(const std::wstring& folder, std::set<std::wstring> files = {}) const {
    files.insert(folder);
    for (const auto& [name, bytes] : app)
      if (name != L"big.bin") files.insert(folder + name);
    return files;
  }
  void expect_fitting_files_whole(const fs::path& folder) const {
    for (const auto& [name, bytes] : app)
      if (name != L"big.bin") {
        EXPECT_TRUE(read_file(folder / name) == bytes) << fs::path(name).string();
      }
  }

  const std::set<std::wstring> launcher_files = {L"webapp/webapp.zip", L"webapp/webapp.lock"};
  const entry_list app = filling_app();
  std::wstring disk;
  fs::path scratch, archive;
  uint64_t empty_disk_free = 0;
};

TEST_F(FullDisk, ThePackWalkFailsTheEntryThatDoesNotFitAndGoesOn) {
  const std::wstring folder = disk + L"walk\\";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(open_pack(1, archive.c_str(), zip_plugin_id));
  std::vector<std::pair<std::wstring, int32_t>> results;
  while (next_pack_entry(1)) {
    text_scope scope;
    std::wstring name = pack_entry_name(1, scope.start());
    results.push_back({name, unpack_entry_to_file(1, (folder + name).c_str())});
  }
  close_pack(1);
  EXPECT_EQ(results, (std::vector<std::pair<std::wstring, int32_t>>{
                         {L"index.html", 7}, {L"a.bin", small_size}, {L"big.bin", -1}, {L"c.bin", small_size}}));
  EXPECT_EQ(tree_of(disk), fitting_tree(L"walk/"));
  expect_fitting_files_whole(folder);
  EXPECT_NE(delete_directory(folder.c_str(), L"*.*", delete_recursive), 0);
  EXPECT_TRUE(tree_of(disk).empty());
  EXPECT_EQ(free_bytes(disk), empty_disk_free);
}

TEST_F(FullDisk, TheLauncherUnpacksWhatFitsShowsItAndLeavesNothing) {
  // In this process, as the launcher's main sequence calls it.
  const std::wstring folder = disk + L"webapp/";
  const std::string zip = read_file(archive);
  {
    temp_directory_override on_disk(disk);
    text_scope scope;
    EXPECT_EQ(std::wstring(unpack_web_app(zip.data(), (int32_t)zip.size(), scope.start())), folder);
  }
  EXPECT_EQ(tree_of(disk), fitting_tree(L"webapp/", launcher_files));
  expect_fitting_files_whole(folder);
  remove_web_app_folder(folder.c_str());
  EXPECT_TRUE(tree_of(disk).empty());

  // A launcher process with its temporary directory on the disk.
  const fs::path executable = scratch / "full.exe";
  write_file(executable,
             read_file(built_launcher()) +
                 trailer_bytes("{\"WindowTitle\": \"Full disk\", \"StartURL\": \"https://start.example/\"}", zip));
  launcher_run run(executable, disk, scratch / "full.log");
  ASSERT_TRUE(run.wait_for_window(L"Full disk"));
  EXPECT_EQ(last_fake_value(run.wait_for_fake_line("navigate"), "navigate"),
            utf8_of(L"file://" + folder + L"index.html"));
  EXPECT_EQ(tree_of(disk), fitting_tree(L"webapp/", launcher_files));
  expect_fitting_files_whole(folder);
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(tree_of(disk).empty());
  EXPECT_EQ(free_bytes(disk), empty_disk_free);
}

// An archive that does not fit itself is not the app: the launcher shows
// the start address and gives the space back at once.
TEST_F(FullDisk, AnArchiveLargerThanTheDiskEndsCleanly) {
  std::mt19937 random(5);
  std::string noise(empty_disk_free + 64 * 1024, 0);
  for (char& byte : noise) byte = (char)random();
  const fs::path large = scratch / "large.zip";
  ASSERT_EQ(write_zip(large, {{L"index.html", "<p>large"}, {L"noise.bin", noise}, {L"after.txt", "after"}}), L"");
  const fs::path executable = scratch / "large.exe";
  write_file(executable, read_file(built_launcher()) +
                             trailer_bytes("{\"WindowTitle\": \"Large\", \"StartURL\": \"https://start.example/\"}",
                                             read_file(large)));
  launcher_run run(executable, disk, scratch / "large.log");
  ASSERT_TRUE(run.wait_for_window(L"Large"));
  EXPECT_EQ(last_fake_value(run.wait_for_fake_line("navigate"), "navigate"), "https://start.example/");
  EXPECT_TRUE(tree_of(disk).empty());
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(tree_of(disk).empty());
  EXPECT_EQ(free_bytes(disk), empty_disk_free);
}

}  // namespace
