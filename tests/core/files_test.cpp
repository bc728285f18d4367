// Buffered reads and writes, checked against the bytes that reach the disk.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/files.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/registry.h"
#include "support/runtime_environment.h"
#include "support/temp_files.h"

namespace {

class Files : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { file_library_start(); }
  static void TearDownTestSuite() { file_library_stop(); }
  void SetUp() override {
    folder_ = unique_temp_path(L"wapp-files-") + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    close_file(any_number);
    delete_directory(folder_.c_str(), L"*.*", delete_recursive | delete_force);
  }
  std::wstring path(const wchar_t* name) const { return folder_ + name; }
  // Read past the library, so pending bytes do not count.
  std::string on_disk(const wchar_t* name) const {
    HANDLE h = CreateFileW(path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    std::string bytes(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, bytes.data(), (DWORD)bytes.size(), &got, nullptr);
    CloseHandle(h);
    return bytes;
  }
  std::wstring folder_;
};

std::string read_string(int64_t file, int32_t length) {
  std::string bytes(length, '\0');
  bytes.resize(read_bytes(file, bytes.data(), length));
  return bytes;
}

TEST_F(Files, SwitchingBetweenReadingAndWritingKeepsThePosition) {
  ASSERT_NE(create_file(0, path(L"a.bin").c_str()), 0);
  EXPECT_EQ(write_bytes(0, "0123456789", 10), 10);
  seek_file(0, 0);  // flushes the ten bytes
  EXPECT_EQ(read_string(0, 10), "0123456789");
  seek_file(0, 0);
  ASSERT_EQ(read_string(0, 3), "012");  // the refill read all ten ahead
  EXPECT_EQ(write_bytes(0, "ab", 2), 2);
  EXPECT_EQ(read_string(0, 2), "56");  // no seek: "ab" goes out first
  write_bytes(0, "Z", 1);
  seek_file(0, -5);  // refused: the position stays
  write_bytes(0, "!", 1);
  seek_file(0, 8);
  EXPECT_EQ(read_int32(0), 0x3921);  // "!9" and nothing: the high bytes stay 0
  close_file(0);
  EXPECT_EQ(on_disk(L"a.bin"), "012ab56Z!9");
}

TEST_F(Files, RequestsLargerThanTheBufferKeepTheirOrderWithBufferedOnes) {
  std::string big(10000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = (char)('a' + i % 26);
  ASSERT_NE(create_file(0, path(L"big.bin").c_str()), 0);
  write_bytes(0, "<<<", 3);
  EXPECT_EQ(write_bytes(0, big.data(), (int32_t)big.size()), (int32_t)big.size());
  write_bytes(0, ">>>", 3);
  close_file(0);
  const std::string expected = "<<<" + big + ">>>";
  ASSERT_EQ(on_disk(L"big.bin"), expected);

  ASSERT_NE(open_file_for_reading(0, path(L"big.bin").c_str()), 0);
  EXPECT_EQ(write_bytes(0, "x", 1), 0);  // opened for reading
  std::string back = read_string(0, 1);  // leaves 4095 bytes of read-ahead
  back += read_string(0, 9000);          // part from the buffer, the rest straight
  back += read_string(0, 100);
  back += read_string(0, 20000);  // short: only what is left
  EXPECT_EQ(back, expected);
}

TEST_F(Files, CreateFileTruncatesAnExistingFileEvenAHiddenOne) {
  for (DWORD attributes : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN}) {
    SCOPED_TRACE(attributes);
    HANDLE h = CreateFileW(path(L"old.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    DWORD written = 0;
    WriteFile(h, "old contents", 12, &written, nullptr);
    CloseHandle(h);
    ASSERT_NE(create_file(0, path(L"old.bin").c_str()), 0);
    write_bytes(0, "new", 3);
    close_file(0);
    EXPECT_EQ(on_disk(L"old.bin"), "new");
  }
}

// A name cut to the path buffer would name another file, and creating a
// file truncates it.
TEST_F(Files, CreateFileRefusesANameItWouldHaveToCut) {
  std::wstring name = path(L"k");
  name.append(MAX_PATH - name.size(), L'k');
  write_whole_file(L"\\\\?\\" + name, "kept");
  EXPECT_EQ(create_file(0, (name + L".txt").c_str()), 0);
  EXPECT_EQ(file_size(name.c_str()), 4);
  DeleteFileW((L"\\\\?\\" + name).c_str());
}

TEST_F(Files, ReleasingAFileFlushesItsPendingBytes) {
  ASSERT_NE(create_file(0, path(L"0.bin").c_str()), 0);
  write_bytes(0, "kept", 4);
  // A file being written is the writer's alone: reopening number 0 works
  // only once the file it held is closed.
  EXPECT_EQ(open_file_for_reading(1, path(L"0.bin").c_str()), 0);
  ASSERT_NE(open_file_for_reading(0, path(L"0.bin").c_str()), 0);
  EXPECT_EQ(read_string(0, 10), "kept");
  // Readers share it with readers, and with no writer.
  ASSERT_NE(open_file_for_reading(1, path(L"0.bin").c_str()), 0);
  EXPECT_EQ(read_string(1, 10), "kept");
  EXPECT_EQ(create_file(2, path(L"0.bin").c_str()), 0);

  int64_t first = create_file(any_number, path(L"1.bin").c_str());
  int64_t second = create_file(any_number, path(L"2.bin").c_str());
  ASSERT_NE(first, second);
  EXPECT_GT(first, largest_object_number);
  write_bytes(first, "one", 3);
  write_bytes(second, "two", 3);
  close_file(any_number);
  EXPECT_EQ(on_disk(L"1.bin") + on_disk(L"2.bin"), "onetwo");
  EXPECT_EQ(read_int32(0), 0);  // closed as well
}

}  // namespace
