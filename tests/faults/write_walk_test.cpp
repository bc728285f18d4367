// Every file creation and every write of the unpacking failed once, the way
// a full disk or a locked folder fails them: the entry that was being
// written is reported as failed and leaves no partial file, the entries
// after it are unpacked whole, and the folder still goes at the end.
#include <gtest/gtest.h>

#include "fault_walk.h"
#include "launcher/main_sequence.h"
#include "launcher/web_app_folder.h"
#include "runtime/core/strings.h"
#include "runtime/pack/pack.h"

namespace {

struct file_fault {
  const char* name;
  fault_kind kind;
  DWORD error;
};

const file_fault file_faults[] = {
    {"creation, disk full", fault_kind::file_opening, ERROR_DISK_FULL},
    {"creation, access denied", fault_kind::file_opening, ERROR_ACCESS_DENIED},
    {"write, disk full", fault_kind::file_write, ERROR_DISK_FULL},
    {"short write", fault_kind::short_write, ERROR_DISK_FULL},
};

std::wstring entry_name(int64_t pack) {
  text_scope scope;
  return pack_entry_name(pack, scope.start());
}

class WriteFailureWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(faults.installed());
    start_launcher_runtime();
    enable_zip_packer();
  }
  void TearDown() override { stop_launcher_runtime(); }
  // The archive of app, made outside the temporary directory.
  std::string archive_of(const entry_list& app) {
    fs::path zip = unique_temp_path(L"wapp-faults-writes-") + L".zip";
    EXPECT_EQ(write_zip(zip, app), L"");
    std::string bytes = read_file(zip);
    fs::remove(zip);
    return bytes;
  }
  scratch_temp temp;
  fault_switch faults;
};

TEST_F(WriteFailureWalk, EntryByEntry) {
  const entry_list app = real_sized_app();
  const fs::path zip = temp.path() / "app.zip", out = temp.path() / "out";
  write_file(zip, archive_of(app));
  for (const file_fault& fault : file_faults) {
    SCOPED_TRACE(fault.name);
    int64_t points = walk_every_point(faults, [&](int64_t n) {
      for (const auto& [name, data] : app)
        if (name.ends_with(L'/')) fs::create_directories(out / name);
      ASSERT_NE(open_pack(1, zip.c_str(), zip_plugin_id), 0);
      size_t entries = 0;
      faults.arm(fault.kind, n, fault.error);
      while (next_pack_entry(1)) {
        const auto& [name, data] = app[entries++];
        ASSERT_EQ(entry_name(1), name);
        const bool failed_before = faults.counts().fired;
        int32_t written = unpack_entry_to_file(1, (out / name).c_str());
        if (faults.counts().fired && !failed_before) {
          EXPECT_EQ(written, -1) << name;
          EXPECT_FALSE(fs::exists(out / name)) << name;
        } else if (!name.ends_with(L'/')) {
          EXPECT_EQ(written, (int32_t)data.size()) << name;
          EXPECT_TRUE(read_file(out / name) == data) << name;
        }
      }
      faults.disarm();
      close_pack(1);
      EXPECT_EQ(entries, app.size());
      fs::remove_all(out);
    });
    printf("%s: %lld points over %zu entries\n", fault.name, (long long)points, app.size());
    EXPECT_GT(points, 0);
  }
}

TEST_F(WriteFailureWalk, WebAppFolder) {
  // The small archive is written through the file buffer, the large one
  // straight to the disk.
  for (const entry_list& app :
       {entry_list{{L"index.html", "<p>app</p>"}, {L"js/", ""}, {L"js/a.js", "a()"}}, real_sized_app()}) {
    const std::string archive = archive_of(app);
    void* block = memory_block_of(archive);
    for (const file_fault& fault : file_faults) {
      SCOPED_TRACE(std::string(fault.name) + ", archive of " + std::to_string(archive.size()) + " bytes");
      int64_t points = walk_every_point(faults, [&](int64_t n) {
        faults.arm(fault.kind, n, fault.error);
        std::wstring folder;
        {
          text_scope scope;
          folder = unpack_web_app(block, (int32_t)archive.size(), scope.start());
        }
        faults.disarm();
        if (folder.empty()) {
          EXPECT_EQ(temp.left(), std::set<std::wstring>{});
        } else {
          // At most the one entry that was being written when the disk gave out.
          folder_contents contents = compare_folder(folder, app, archive);
          EXPECT_EQ(contents.strays, std::vector<std::wstring>{});
          EXPECT_LE(contents.missing.size(), faults.counts().fired ? 1u : 0u);
        }
        remove_web_app_folder(folder.c_str());
        EXPECT_EQ(temp.left(), std::set<std::wstring>{});
      });
      printf("%s, %zu-byte archive: %lld points\n", fault.name, archive.size(), (long long)points);
    }
  }
}

// The pack writer opens each file it adds; one that cannot be opened is
// left out of the archive, which holds the others whole.
TEST_F(WriteFailureWalk, PackWriter) {
  const entry_list files = {{L"a.txt", "a"}, {L"b.bin", noise(300000, 3)}, {L"c.txt", std::string(5000, 'c')}};
  for (const auto& [name, data] : files) write_file(temp.path() / name, data);
  const fs::path zip = temp.path() / "packed.zip", out = temp.path() / "out";
  int64_t points = walk_every_point(faults, [&](int64_t n) {
    ASSERT_NE(create_pack(1, zip.c_str(), 6, zip_plugin_id), 0);
    entry_list packed;
    faults.arm(fault_kind::file_opening, n, ERROR_ACCESS_DENIED);
    for (const auto& [name, data] : files) {
      const bool failed_before = faults.counts().fired;
      int32_t added = add_pack_file(1, (temp.path() / name).c_str(), name.c_str());
      EXPECT_EQ(added, faults.counts().fired && !failed_before ? 0 : 1) << name;
      if (added) packed.push_back({name, data});
    }
    faults.disarm();
    close_pack(1);
    fs::create_directories(out);
    ASSERT_NE(open_pack(1, zip.c_str(), zip_plugin_id), 0);
    for (const auto& [name, data] : packed) {
      ASSERT_EQ(next_pack_entry(1), 1);
      EXPECT_EQ(entry_name(1), name);
      EXPECT_EQ(unpack_entry_to_file(1, (out / name).c_str()), (int32_t)data.size());
      EXPECT_TRUE(read_file(out / name) == data) << name;
    }
    EXPECT_EQ(next_pack_entry(1), 0);
    close_pack(1);
    fs::remove_all(out);
  });
  printf("pack writer: %lld points over %zu files\n", (long long)points, files.size());
  EXPECT_EQ(points, (int64_t)files.size());
}

}  // namespace
