// Filesystem operations against real folders under the temporary directory.
#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include <string>

#include "runtime/core/filesystem.h"
#include "runtime/core/strings.h"
#include "support/runtime_environment.h"

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A tree builder and checker that goes straight to the platform.
class Filesystem : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"wapp-fs-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  void TearDown() override { delete_directory(root_.c_str(), L"*.*", delete_recursive | delete_force); }

  std::wstring at(const std::wstring& relative) const { return root_ + relative; }
  void folder(const std::wstring& relative) { CreateDirectoryW(at(relative).c_str(), nullptr); }
  void file(const std::wstring& relative, DWORD size = 0, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE h = CreateFileW(at(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string bytes(size, 'x');
    DWORD written = 0;
    WriteFile(h, bytes.data(), size, &written, nullptr);
    CloseHandle(h);
  }
  // A tree two levels deep: root/t/{a.log,b.txt,s/{c.log,d.txt,u/e.log}}.
  void two_level_tree() {
    folder(L"t");
    folder(L"t\\s");
    folder(L"t\\s\\u");
    for (const wchar_t* name : {L"t\\a.log", L"t\\b.txt", L"t\\s\\c.log", L"t\\s\\d.txt", L"t\\s\\u\\e.log"})
      file(name, 3);
  }

  std::wstring root_;
};

std::wstring text_of(wchar_t* (*produce)(int64_t)) {
  text_scope scope;
  return produce(accumulator.offset);
}

std::wstring path_part_of(const wchar_t* path) {
  text_scope scope;
  return path_part(path, accumulator.offset);
}

TEST_F(Filesystem, FileSizeTellsSizesDirectoriesAndAbsence) {
  file(L"empty.bin");
  file(L"five.bin", 5);
  folder(L"dir");
  wchar_t unused_drive[] = L"?:";
  DWORD drives = GetLogicalDrives();
  for (int letter = 25; letter >= 0; --letter)
    if (!(drives & (1u << letter))) unused_drive[0] = (wchar_t)(L'A' + letter);
  struct {
    std::wstring path;
    int64_t size;
  } cases[] = {
      {at(L"empty.bin"), 0},
      {at(L"five.bin"), 5},
      {at(L"dir"), size_directory},
      {at(L"dir\\"), size_directory},
      {at(L"dir/"), size_directory},
      {at(L"dir\\\\//"), size_directory},
      {L"C:", size_directory},
      {L"C:\\", size_directory},
      {unused_drive, size_absent},
      {at(L"missing.bin"), size_absent},
      {at(L"missing\\five.bin"), size_absent},
      {L"..\\wapp-no-such-folder-here", size_absent},
      {L"\\\\", size_absent},
      {L"", size_absent},
      {at(L"f*.bin"), 5},  // the first match of a wildcard
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.path.begin(), c.path.end()));
    EXPECT_EQ(file_size(c.path.c_str()), c.size);
  }
  EXPECT_EQ(file_size(nullptr), size_absent);
}

TEST_F(Filesystem, FileSizeCarriesTheHighPartOfLargeFiles) {
  HANDLE h = CreateFileW(at(L"large.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD unused = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = (5LL << 30) + 7;
  bool sized = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  if (!sized) GTEST_SKIP() << "no room for a sparse 5 GiB file";
  EXPECT_EQ(file_size(at(L"large.bin").c_str()), end.QuadPart);
}

TEST_F(Filesystem, ProgramFileNameIsTheRunningExecutable) {
  wchar_t expected[MAX_PATH];
  GetModuleFileNameW(nullptr, expected, MAX_PATH);
  std::wstring name = text_of(program_file_name);
  EXPECT_EQ(name, expected);
  EXPECT_GT(file_size(name.c_str()), 0);
}

TEST_F(Filesystem, TemporaryDirectoryIsTheLongFormWithItsSeparator) {
  std::wstring directory = text_of(temporary_directory);
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), L'\\');
  EXPECT_EQ(file_size(directory.c_str()), size_directory);
  wchar_t expected[MAX_PATH];
  GetTempPathW(MAX_PATH, expected);
  GetLongPathNameW(expected, expected, MAX_PATH);
  EXPECT_EQ(directory, expected);
}

TEST(PathPart, KeepsEverythingUpToTheLastSeparator) {
  struct {
    const wchar_t* path;
    const wchar_t* part;
  } cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a\\"},
      {L"b.txt", L""},
      {L"", L""},
      {nullptr, L""},
      {L"a/b/c.js", L"a/b/"},
      {L"C:\\a/b\\c", L"C:\\a/b\\"},
      {L"C:\\a\\", L"C:\\a\\"},
      {L"C:\\a\\b|c\\d", L"C:\\a\\"},
      {L"\"C:\\a\\b.txt\"", L"C:\\a\\"},
      {L"\"b.txt", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.path ? std::string(c.path, c.path + wcslen(c.path)) : "none"));
    EXPECT_EQ(path_part_of(c.path), c.part);
  }
}

TEST(PathPart, ReadsAPathThatLiesInTheAccumulatorWhileItGrows) {
  std::wstring long_path;
  for (int i = 0; i < 4000; ++i) long_path += L"folder\\";
  long_path += L"file.txt";
  text_scope scope;
  append_text(long_path.c_str());
  const wchar_t* built = scope.seal();
  // A block right behind the buffer keeps it from growing in place, and the
  // reservation of the result, as long as the path, makes it grow.
  void* blocker = HeapAlloc(string_heap, 0, 64);
  const char* before = accumulator.buffer;
  std::wstring part = path_part(built, accumulator.offset);
  EXPECT_NE(accumulator.buffer, before);
  EXPECT_EQ(part, long_path.substr(0, long_path.size() - 8));
  HeapFree(string_heap, 0, blocker);
}

TEST_F(Filesystem, CreateDirectoryMakesTheLastLevelWithOrWithoutATrailingSeparator) {
  EXPECT_NE(create_directory(at(L"x\\").c_str()), 0);
  EXPECT_EQ(file_size(at(L"x").c_str()), size_directory);
  EXPECT_EQ(create_directory(at(L"x").c_str()), 0);  // exists already
  EXPECT_NE(create_directory(at(L"y/ ").c_str()), 0);
  EXPECT_EQ(file_size(at(L"y").c_str()), size_directory);
  EXPECT_EQ(create_directory(at(L"missing\\z").c_str()), 0);
  EXPECT_FALSE(exists(at(L"missing")));
  EXPECT_EQ(create_directory(L" \\/"), 0);
  EXPECT_EQ(create_directory(nullptr), 0);
}

TEST_F(Filesystem, DeletingAllFilesRemovesTheWholeTree) {
  for (const wchar_t* separator : {L"", L"\\", L"/"}) {
    SCOPED_TRACE(separator[0] ? (char)separator[0] : ' ');
    two_level_tree();
    EXPECT_NE(delete_directory(at(std::wstring(L"t") + separator).c_str(), L"*.*", delete_recursive), 0);
    EXPECT_FALSE(exists(at(L"t")));
  }
}

TEST_F(Filesystem, DeletingWithoutRecursionLeavesSubdirectoriesAndTheDirectory) {
  two_level_tree();
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.*", 0), 0);
  EXPECT_FALSE(exists(at(L"t\\a.log")));
  EXPECT_TRUE(exists(at(L"t\\s\\c.log")));
}

TEST_F(Filesystem, AReadOnlyFileStaysWithItsParentsUnlessForced) {
  two_level_tree();
  file(L"t\\s\\u\\locked.txt", 1, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive), 0);
  EXPECT_TRUE(exists(at(L"t\\s\\u\\locked.txt")));
  EXPECT_FALSE(exists(at(L"t\\s\\u\\e.log")));
  EXPECT_FALSE(exists(at(L"t\\b.txt")));

  EXPECT_NE(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive | delete_force), 0);
  EXPECT_FALSE(exists(at(L"t")));
}

TEST_F(Filesystem, ASpecificPatternDeletesMatchingFilesAndKeepsEveryDirectory) {
  two_level_tree();
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.log", delete_recursive), 1);
  for (const wchar_t* gone : {L"t\\a.log", L"t\\s\\c.log", L"t\\s\\u\\e.log"}) EXPECT_FALSE(exists(at(gone)));
  for (const wchar_t* kept : {L"t\\b.txt", L"t\\s\\d.txt", L"t\\s\\u"}) EXPECT_TRUE(exists(at(kept)));

  // Without recursion only the top level is touched.
  file(L"t\\s\\again.log");
  file(L"t\\top.log");
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.log", 0), 1);
  EXPECT_FALSE(exists(at(L"t\\top.log")));
  EXPECT_TRUE(exists(at(L"t\\s\\again.log")));
}

TEST_F(Filesystem, DeletingSomethingThatCannotBeListedFails) {
  EXPECT_EQ(delete_directory(at(L"missing").c_str(), L"*.*", delete_recursive), 0);
  EXPECT_EQ(delete_directory(L"", L"*.*", delete_recursive), 0);
  EXPECT_EQ(delete_directory(nullptr, L"*.*", delete_recursive), 0);
}

TEST_F(Filesystem, ARecursiveDeleteRemovesADirectoryLinkButNotWhatItPointsTo) {
  folder(L"outside");
  file(L"outside\\precious.txt", 1);
  folder(L"t");
  if (!CreateSymbolicLinkW(at(L"t\\link").c_str(), at(L"outside").c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !(GetFileAttributesW(at(L"t\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "directory links are not available here";
  EXPECT_NE(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive | delete_force), 0);
  EXPECT_FALSE(exists(at(L"t")));
  EXPECT_TRUE(exists(at(L"outside\\precious.txt")));
}

}  // namespace
