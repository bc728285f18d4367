// The cross-built libarchive (with zlib) links and round-trips a zip in memory.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(Platform, LibarchiveWritesAndReadsAZipInMemory) {
  std::vector<char> zip(64 * 1024);
  size_t used = 0;
  const std::string body(5000, 'x');  // compressible: deflate must run

  archive* writer = archive_write_new();
  ASSERT_EQ(archive_write_set_format_zip(writer), ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_memory(writer, zip.data(), zip.size(), &used), ARCHIVE_OK);
  archive_entry* entry = archive_entry_new();
  archive_entry_set_pathname(entry, "index.html");
  archive_entry_set_filetype(entry, AE_IFREG);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_size(entry, (la_int64_t)body.size());
  ASSERT_EQ(archive_write_header(writer, entry), ARCHIVE_OK);
  ASSERT_EQ(archive_write_data(writer, body.data(), body.size()), (la_ssize_t)body.size());
  archive_entry_free(entry);
  ASSERT_EQ(archive_write_close(writer), ARCHIVE_OK);
  archive_write_free(writer);
  ASSERT_GT(used, 30u);
  EXPECT_LT(used, body.size());
  EXPECT_EQ(std::string(zip.data(), 4), std::string("PK\x03\x04", 4));

  archive* reader = archive_read_new();
  archive_read_support_format_zip(reader);
  ASSERT_EQ(archive_read_open_memory(reader, zip.data(), used), ARCHIVE_OK);
  archive_entry* read_entry = nullptr;
  ASSERT_EQ(archive_read_next_header(reader, &read_entry), ARCHIVE_OK);
  EXPECT_STREQ(archive_entry_pathname(read_entry), "index.html");
  std::string data(body.size() + 10, '\0');
  la_ssize_t got = archive_read_data(reader, data.data(), data.size());
  ASSERT_EQ(got, (la_ssize_t)body.size());
  EXPECT_EQ(data.substr(0, got), body);
  EXPECT_EQ(archive_read_next_header(reader, &read_entry), ARCHIVE_EOF);
  archive_read_free(reader);
}
