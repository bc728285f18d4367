// The launcher's side of packs: walking an archive and writing its entries out.
#include <clocale>

#include "pack_test_support.h"
#include "tests/support/runtime_environment.h"

namespace {

// libarchive's name handling follows the C library's locale: run with the
// locale the runtime sets at start-up.
class pack_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    setlocale(LC_ALL, "");
    setlocale(LC_NUMERIC, "C");
    pack_library_start();
    enable_zip_packer();
  }
};
::testing::Environment* const pack_library = ::testing::AddGlobalTestEnvironment(new pack_environment);

using PackReading = pack_test;

TEST_F(PackReading, WalksDirectoryThenItsFileAndWritesOnlyTheFile) {
  make_zip(dir / "site.zip", {{L"css/", ""}, {L"css/site.css", "body{}"}, {L"empty.txt", ""}});
  ASSERT_EQ(open_pack(1, (dir / "site.zip").c_str(), zip_plugin_id), 1);
  fs::create_directories(dir / "out");

  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), L"css/");
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "out" / "css").c_str()), -1);
  EXPECT_FALSE(fs::exists(dir / "out" / "css"));

  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), L"css/site.css");
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "out" / "site.css").c_str()), 6);
  EXPECT_EQ(read_file(dir / "out" / "site.css"), "body{}");
  // The data has been read: a second extraction without moving on is empty.
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "out" / "again.css").c_str()), 0);
  EXPECT_EQ(fs::file_size(dir / "out" / "again.css"), 0u);

  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "out" / "empty.txt").c_str()), 0);
  EXPECT_TRUE(fs::exists(dir / "out" / "empty.txt"));

  EXPECT_EQ(next_pack_entry(1), 0);
  EXPECT_EQ(entry_name(1), L"");
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "out" / "after").c_str()), -1);
}

TEST_F(PackReading, NothingIsCurrentBeforeTheFirstEntry) {
  make_zip(dir / "a.zip", {{L"a.txt", "a"}});
  ASSERT_NE(open_pack(1, (dir / "a.zip").c_str(), first_pack_plugin), 0);
  EXPECT_EQ(entry_name(1), L"");
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "a.txt").c_str()), -1);
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
}

TEST_F(PackReading, NamesComeBackAsStoredInUtf8OrTheAnsiCodePage) {
  const std::wstring utf8_name = L"fonts/caf\u00e9-\u4e2d\u6587.woff";
  make_zip(dir / "utf8.zip", {{utf8_name, "x"}});
  make_raw_zip(dir / "ansi.zip", {{"\xE9t\xE9.txt", "y"}, {"../up.txt", "z"}});
  wchar_t ansi_name[16] = {};
  MultiByteToWideChar(CP_ACP, 0, "\xE9t\xE9.txt", -1, ansi_name, 16);

  ASSERT_EQ(open_pack(1, (dir / "utf8.zip").c_str(), zip_plugin_id), 1);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), utf8_name);
  ASSERT_EQ(open_pack(1, (dir / "ansi.zip").c_str(), zip_plugin_id), 1);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), ansi_name);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), L"../up.txt");  // handed over as stored, not refused
}

TEST_F(PackReading, AnythingButAnArchiveFailsToOpenAndLeavesTheNumberEmpty) {
  write_file(dir / "page.html", std::string(4000, '<'));
  write_file(dir / "empty.zip", "");
  const std::wstring paths[] = {L"", (dir / "page.html").wstring(), (dir / "empty.zip").wstring(),
                                (dir / "missing.zip").wstring(), dir.wstring()};
  for (const auto& path : paths) {
    EXPECT_EQ(open_pack(2, path.c_str(), zip_plugin_id), 0) << fs::path(path).string();
    EXPECT_EQ(next_pack_entry(2), 0);
    EXPECT_EQ(entry_name(2), L"");
  }
  EXPECT_EQ(open_pack(2, nullptr, zip_plugin_id), 0);
  make_zip(dir / "a.zip", {{L"a.txt", "a"}});
  EXPECT_EQ(open_pack(2, (dir / "a.zip").c_str(), 7), 0);  // no such plugin
  EXPECT_EQ(next_pack_entry(2), 0);
}

TEST_F(PackReading, ExtractionReplacesAnExistingFileAndFailsWithoutItsFolder) {
  make_zip(dir / "a.zip", {{L"a.txt", "new"}});
  write_file(dir / "a.txt", "an older and longer text");
  ASSERT_EQ(open_pack(1, (dir / "a.zip").c_str(), zip_plugin_id), 1);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "missing" / "a.txt").c_str()), -1);
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "a.txt").c_str()), 3);
  EXPECT_EQ(read_file(dir / "a.txt"), "new");
}

// Flips bytes in the middle of an archive file's first entry data.
void damage(const fs::path& zip) {
  std::string bytes = read_file(zip);
  for (size_t i = bytes.size() / 4; i < bytes.size() / 4 + 16; i++) bytes[i] ^= 0x5A;
  write_file(zip, bytes);
}

TEST_F(PackReading, DamagedDataFailsTheExtractionAndLeavesNoFile) {
  std::string data;
  for (int i = 0; i < 20000; i++) data += std::to_string(i * 7919 % 1000) + ",";
  make_zip(dir / "bad.zip", {{L"data.csv", data}});
  damage(dir / "bad.zip");
  ASSERT_EQ(open_pack(1, (dir / "bad.zip").c_str(), zip_plugin_id), 1);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "data.csv").c_str()), -1);
  EXPECT_FALSE(fs::exists(dir / "data.csv"));
}

// libarchive warns of an entry and reads on: every entry after it is walked
// and written, and its own data is still checked as it is read.
TEST_F(PackReading, EntriesReportedWithAWarningAreWalkedAndSoAreTheOnesAfterThem) {
  make_zip(dir / "warn.zip", {{L"a.txt", "a"}, {L"b\u00e9.txt", "b"}, {L"c.txt", "c"}, {L"d.txt", "d"},
                              {L"e.txt", "e"}, {L"f.txt", "f"}, {L"g.txt", "g"}});
  std::string zip = read_file(dir / "warn.zip");
  auto put_u32 = [&](size_t at, uint32_t value) { zip.replace(at, 4, (const char*)&value, 4); };
  // A name flagged as UTF-8 that is not: it cannot be decoded.
  for (size_t at = zip.find("b\xC3\xA9"); at != std::string::npos; at = zip.find("b\xC3\xA9", at)) zip[at + 2] = '(';
  // Local and central headers that disagree: on d's size (the central one
  // wrong), and on f's checksum (the local one wrong).
  put_u32(zip.rfind("d.txt") - 46 + 24, 2);
  put_u32(zip.find("f.txt") - 30 + 14, 0x12345678);
  write_file(dir / "warn.zip", zip);
  ASSERT_EQ(open_pack(1, (dir / "warn.zip").c_str(), zip_plugin_id), 1);
  const std::pair<std::wstring, int32_t> walk[] = {{L"a.txt", 1}, {L"", 1},      {L"c.txt", 1}, {L"d.txt", 1},
                                                   {L"e.txt", 1}, {L"f.txt", -1}, {L"g.txt", 1}};
  for (int i = 0; i < 7; i++) {
    const fs::path out = dir / std::to_string(i);
    ASSERT_EQ(next_pack_entry(1), 1) << i;
    EXPECT_EQ(entry_name(1), walk[i].first);
    EXPECT_EQ(unpack_entry_to_file(1, out.c_str()), walk[i].second) << i;
    const std::string data(1, "abcdefg"[i]);
    EXPECT_EQ(fs::exists(out) ? read_file(out) : "(none)", walk[i].second < 0 ? "(none)" : data);
  }
  EXPECT_EQ(next_pack_entry(1), 0);
}

TEST_F(PackReading, ReopeningABusyNumberClosesTheOldPackEvenWhenTheNewOpenFails) {
  make_zip(dir / "old.zip", {{L"old.txt", "o"}});
  ASSERT_EQ(open_pack(3, (dir / "old.zip").c_str(), zip_plugin_id), 1);
  ASSERT_FALSE(DeleteFileW((dir / "old.zip").c_str()));  // held open by the pack
  EXPECT_EQ(open_pack(3, (dir / "missing.zip").c_str(), zip_plugin_id), 0);
  EXPECT_TRUE(DeleteFileW((dir / "old.zip").c_str()));
  EXPECT_EQ(next_pack_entry(3), 0);
}

TEST_F(PackReading, ClosingEmptyNumbersDoesNothingAndAnyNumberClosesAll) {
  close_pack(5);
  close_pack(123456);
  make_zip(dir / "a.zip", {{L"a.txt", "a"}});
  ASSERT_EQ(open_pack(0, (dir / "a.zip").c_str(), zip_plugin_id), 1);
  int64_t fresh = open_pack(any_number, (dir / "a.zip").c_str(), zip_plugin_id);
  ASSERT_NE(fresh, 0);
  EXPECT_GT(fresh, 1000);  // an identifier, outside the numbered slots
  EXPECT_EQ(next_pack_entry(fresh), 1);
  EXPECT_EQ(entry_name(fresh), L"a.txt");
  close_pack(0);
  close_pack(0);
  EXPECT_EQ(next_pack_entry(0), 0);
  close_pack(any_number);
  EXPECT_EQ(next_pack_entry(fresh), 0);
}

TEST_F(PackReading, MemoryPacksWalkAndExtractLikeFiles) {
  make_zip(dir / "m.zip", {{L"index.html", "<p>hi</p>"}, {L"js/", ""}});
  const std::string zip = read_file(dir / "m.zip");
  EXPECT_EQ(open_memory_pack(1, zip.data(), 0, zip_plugin_id), 0);
  EXPECT_EQ(open_memory_pack(1, nullptr, 100, zip_plugin_id), 0);
  EXPECT_EQ(open_memory_pack(1, "not a zip at all", 16, zip_plugin_id), 0);
  ASSERT_EQ(open_memory_pack(1, zip.data(), (int64_t)zip.size(), zip_plugin_id), 1);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(unpack_entry_to_file(1, (dir / "index.html").c_str()), 9);
  EXPECT_EQ(read_file(dir / "index.html"), "<p>hi</p>");
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), L"js/");
  EXPECT_EQ(next_pack_entry(1), 0);
}

}  // namespace
