#pragma once
// Temporary folders and archives made on the spot for the pack tests.
#include <windows.h>
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "runtime/core/registry.h"
#include "runtime/core/strings.h"
#include "runtime/pack/pack.h"
#include "support/web_app_files.h"

inline std::wstring entry_name(int64_t pack) {
  text_scope scope;
  return pack_entry_name(pack, scope.start());
}

inline void make_zip(const fs::path& path, const entry_list& entries) {
  ASSERT_EQ(write_zip(path, entries), L"") << "not added";
}

// Writes an archive with libarchive itself, the names stored as the given
// bytes and not flagged as UTF-8, the way older tools wrote them.
inline void make_raw_zip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_options(writer, ("hdrcharset=CP" + std::to_string(GetACP())).c_str());
  ASSERT_EQ(archive_write_open_filename_w(writer, path.c_str()), ARCHIVE_OK);
  for (const auto& [name, data] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, name.c_str());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, (la_int64_t)data.size());
    EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK);
    archive_write_data(writer, data.data(), data.size());
    archive_entry_free(entry);
  }
  archive_write_free(writer);
}

class pack_test : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("wapp-pack-" + std::to_string(GetCurrentProcessId()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    close_pack(any_number);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  fs::path dir;
};
