// The zip plugin beyond the launcher's walk: rewinding, lookups by name,
// entry facts, writing archives and memory compression.
#include <algorithm>

#include "pack_test_support.h"
#include "runtime/pack/zip_plugin.h"

namespace {

const pack_plugin_slots& zip = zip_plugin_slots;

using ZipPlugin = pack_test;

std::wstring slot_name(void* handle) {
  text_scope scope;
  return zip.entry_name(handle, scope.start());
}

TEST_F(ZipPlugin, RewindWalksAgainFromTheStart) {
  make_zip(dir / "a.zip", {{L"a.txt", "a"}, {L"b.txt", "bb"}});
  pack_record pack{};
  void* handle = zip.open_file(&pack, (dir / "a.zip").c_str());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(pack.handle, handle);
  // Rewinds after one entry, at the end, and with nothing read since the last rewind.
  for (int walked : {1, 3, 0}) {
    for (int i = 0; i < walked; i++) zip.next_entry(handle);
    ASSERT_EQ(zip.rewind(handle), 1);
    EXPECT_EQ(zip.entry_is_directory(handle), -1);  // nothing is current
    ASSERT_EQ(zip.next_entry(handle), 1);
    EXPECT_EQ(slot_name(handle), L"a.txt");
  }
  zip.close(handle);
}

TEST_F(ZipPlugin, ARewindThatCouldNotReopenIsTriedAgain) {
  make_zip(dir / "a.zip", {{L"a.txt", "a"}});
  const std::string archive = read_file(dir / "a.zip");
  std::string memory = archive;
  pack_record pack{};
  void* handle = zip.open_memory(&pack, memory.data(), (int64_t)memory.size());
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(zip.next_entry(handle), 1);
  std::fill(memory.begin(), memory.end(), 'x');  // no archive to reopen for now
  EXPECT_EQ(zip.rewind(handle), 0);
  EXPECT_EQ(zip.next_entry(handle), 0);
  std::copy(archive.begin(), archive.end(), memory.begin());
  ASSERT_EQ(zip.rewind(handle), 1);
  ASSERT_EQ(zip.next_entry(handle), 1);
  EXPECT_EQ(slot_name(handle), L"a.txt");
  zip.close(handle);
}

TEST_F(ZipPlugin, ExtractionByNameFindsEntriesBehindTheWalk) {
  make_zip(dir / "a.zip", {{L"img/", ""}, {L"img/logo.svg", "<svg/>"}, {L"z.txt", "z"}});
  pack_record pack{};
  void* handle = zip.open_file(&pack, (dir / "a.zip").c_str());
  ASSERT_NE(handle, nullptr);
  while (zip.next_entry(handle)) {
  }
  EXPECT_EQ(zip.extract_to_file(handle, (dir / "logo.svg").c_str(), L"img/logo.svg"), 6);
  EXPECT_EQ(read_file(dir / "logo.svg"), "<svg/>");
  EXPECT_EQ(zip.extract_to_file(handle, (dir / "x").c_str(), L"img/"), -1);
  EXPECT_EQ(zip.extract_to_file(handle, (dir / "x").c_str(), L"logo.svg"), -1);
  EXPECT_FALSE(fs::exists(dir / "x"));
  char buffer[8] = {};
  EXPECT_EQ(zip.extract_to_memory(handle, buffer, 8, L"z.txt"), 1);
  EXPECT_EQ(buffer[0], 'z');
  EXPECT_EQ(zip.extract_to_memory(handle, buffer, 8, L"nothing"), -1);
  zip.close(handle);
}

TEST_F(ZipPlugin, FilesGoInWithTheirSizeAndTimes) {
  write_file(dir / "page.html", "<html></html>");
  HANDLE file = CreateFileW((dir / "page.html").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const int64_t seconds = 1609556400;  // 2021-01-02 03:00:00 UTC
  const uint64_t ticks = (uint64_t)seconds * 10000000 + 116444736000000000;
  FILETIME written = {(DWORD)ticks, (DWORD)(ticks >> 32)};
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);

  int64_t out = create_pack(any_number, (dir / "t.zip").c_str(), 6, zip_plugin_id);
  ASSERT_EQ(add_pack_file(out, (dir / "page.html").c_str(), L"page.html"), 1);
  close_pack(out);
  pack_record pack{};
  void* handle = zip.open_file(&pack, (dir / "t.zip").c_str());
  ASSERT_EQ(zip.next_entry(handle), 1);
  EXPECT_EQ(zip.entry_size(handle), 13);
  EXPECT_EQ(zip.entry_is_directory(handle), 0);
  EXPECT_EQ(zip.entry_date(handle, pack_date_modified), seconds);
  EXPECT_EQ(zip.entry_date(handle, 3), -1);
  EXPECT_EQ(zip.next_entry(handle), 0);
  EXPECT_EQ(zip.entry_size(handle), -1);
  EXPECT_EQ(zip.entry_date(handle, pack_date_modified), -1);
  zip.close(handle);
}

TEST_F(ZipPlugin, WrittenArchivesReadBackAtEveryLevel) {
  std::string big;  // crosses the 2 MiB copy chunks
  for (int i = 0; big.size() < 5 * 1024 * 1024 + 123; i++) big += std::to_string(i * 2654435761u) + "\n";
  write_file(dir / "big.bin", big);
  const entry_list expected = {{L"assets/big.bin", big}, {L"assets/", ""}, {L"index.html", "<h1>\u00e9</h1>"},
                               {L"empty.txt", ""}};
  for (int32_t level : {0, 9}) {
    fs::path archive = dir / ("out" + std::to_string(level) + ".zip");
    ASSERT_EQ(create_pack(4, archive.c_str(), level, zip_plugin_id), 1);
    EXPECT_EQ(add_pack_file(4, (dir / "big.bin").c_str(), L"assets/big.bin"), 1);
    EXPECT_EQ(add_pack_directory(4, L"assets/"), 1);
    EXPECT_EQ(add_pack_memory(4, expected[2].second.data(), (int64_t)expected[2].second.size(), L"index.html"), 1);
    EXPECT_EQ(add_pack_memory(4, nullptr, 0, L"empty.txt"), 1);
    EXPECT_EQ(next_pack_entry(4), 0);  // a writing pack has nothing to walk
    EXPECT_EQ(unpack_entry_to_file(4, (dir / "x").c_str()), -1);
    close_pack(4);

    ASSERT_EQ(open_pack(4, archive.c_str(), zip_plugin_id), 1);
    for (const auto& [name, data] : expected) {
      ASSERT_EQ(next_pack_entry(4), 1);
      EXPECT_EQ(entry_name(4), name);
      if (name.ends_with(L'/')) continue;
      EXPECT_EQ(unpack_entry_to_file(4, (dir / "x").c_str()), (int32_t)data.size());
      EXPECT_TRUE(read_file(dir / "x") == data) << fs::path(name).string();
    }
    EXPECT_EQ(next_pack_entry(4), 0);
  }
}

TEST_F(ZipPlugin, AddingNeedsAWritingPackAndANameAndCreatingReplacesTheFile) {
  write_file(dir / "old.zip", "not even an archive");
  ASSERT_EQ(create_pack(1, (dir / "old.zip").c_str(), 6, zip_plugin_id), 1);
  EXPECT_EQ(add_pack_memory(1, "x", 1, L""), 0);
  EXPECT_EQ(add_pack_memory(1, nullptr, 4, L"x"), 0);
  EXPECT_EQ(add_pack_directory(1, nullptr), 0);
  EXPECT_EQ(add_pack_file(1, (dir / "missing.txt").c_str(), L"m.txt"), 0);
  EXPECT_EQ(add_pack_memory(1, "kept", 4, L"kept.txt"), 1);
  close_pack(1);
  EXPECT_EQ(add_pack_memory(1, "x", 1, L"x"), 0);

  ASSERT_EQ(open_pack(1, (dir / "old.zip").c_str(), zip_plugin_id), 1);
  EXPECT_EQ(add_pack_memory(1, "x", 1, L"x"), 0);
  EXPECT_EQ(add_pack_directory(1, L"d/"), 0);
  ASSERT_EQ(next_pack_entry(1), 1);
  EXPECT_EQ(entry_name(1), L"kept.txt");
  EXPECT_EQ(next_pack_entry(1), 0);

  EXPECT_EQ(create_pack(2, (dir / "missing" / "a.zip").c_str(), 6, zip_plugin_id), 0);
  EXPECT_EQ(create_pack(2, (dir / "a.zip").c_str(), 10, zip_plugin_id), 0);
  EXPECT_EQ(add_pack_memory(2, "x", 1, L"x"), 0);
}

TEST(ZipMemory, CompressionRoundTripsAndRefusesTooSmallRoom) {
  std::string text;
  for (int i = 0; i < 2000; i++) text += "web app " + std::to_string(i % 17);
  std::string packed(text.size() + 64, '\0'), unpacked(text.size(), '\0');
  int64_t size = zip.compress_memory(text.data(), (int64_t)text.size(), packed.data(), (int64_t)packed.size(), 9);
  ASSERT_GT(size, 0);
  EXPECT_LT(size, (int64_t)text.size() / 4);
  EXPECT_EQ(zip.uncompress_memory(packed.data(), size, unpacked.data(), (int64_t)unpacked.size()),
            (int64_t)text.size());
  EXPECT_TRUE(unpacked == text);

  EXPECT_EQ(zip.compress_memory(text.data(), (int64_t)text.size(), packed.data(), 8, 9), 0);
  EXPECT_EQ(zip.uncompress_memory(packed.data(), size, unpacked.data(), 100), -1);
  EXPECT_EQ(zip.uncompress_memory(text.data(), 100, unpacked.data(), (int64_t)unpacked.size()), -1);
  EXPECT_EQ(zip.compress_memory(text.data(), -1, packed.data(), (int64_t)packed.size(), 9), 0);
}

}  // namespace
