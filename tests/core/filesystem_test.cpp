// Filesystem operations on trees built and checked through the platform.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/filesystem.h"
#include "runtime/core/strings.h"
#include "support/runtime_environment.h"
#include "support/temp_files.h"

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Filesystem : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = unique_temp_path(L"wapp-fs-") + L"\\";
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  void TearDown() override { delete_directory(root_.c_str(), L"*.*", delete_recursive | delete_force); }
  std::wstring at(const std::wstring& relative) const { return root_ + relative; }
  void file(const std::wstring& relative, DWORD size = 3, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    write_whole_file(at(relative), std::string(size, 'x'), attributes);
  }
  // t/{a.log,b.txt,s/{c.log,d.txt,u/e.log}}
  void two_level_tree() {
    for (const wchar_t* folder : {L"t", L"t\\s", L"t\\s\\u"}) CreateDirectoryW(at(folder).c_str(), nullptr);
    for (const wchar_t* name : {L"t\\a.log", L"t\\b.txt", L"t\\s\\c.log", L"t\\s\\d.txt", L"t\\s\\u\\e.log"})
      file(name);
  }
  std::wstring root_;
};

TEST_F(Filesystem, FileSizeTellsSizesDirectoriesAndAbsence) {
  file(L"empty.bin", 0);
  file(L"five.bin", 5);
  CreateDirectoryW(at(L"dir").c_str(), nullptr);
  const std::pair<std::wstring, int64_t> cases[] = {
      {at(L"empty.bin"), 0},           {at(L"five.bin"), 5},         {at(L"f*.bin"), 5},
      {at(L"dir\\"), size_directory},  {at(L"dir/"), size_directory}, {L"C:", size_directory},
      {at(L"missing"), size_absent},   {L"..\\wapp-missing", size_absent},
      {L"", size_absent},
  };
  for (const auto& [path, size] : cases) {
    SCOPED_TRACE(testing::Message() << std::string(path.begin(), path.end()));
    EXPECT_EQ(file_size(path.c_str()), size);
  }
}

TEST_F(Filesystem, TemporaryDirectoryIsTheLongFormWithItsSeparator) {
  text_scope scope;
  std::wstring directory = temporary_directory(scope.start());
  wchar_t expected[MAX_PATH];
  GetLongPathNameW(root_.c_str(), expected, MAX_PATH);
  EXPECT_EQ(directory + L"wapp-fs-" + std::to_wstring(GetCurrentProcessId()) + L"\\", expected);
}

TEST(PathPart, KeepsEverythingUpToTheLastSeparator) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a\\"},      {L"b.txt", L""},       {nullptr, L""},
      {L"a/b/c.js", L"a/b/"},             {L"C:\\a\\", L"C:\\a\\"}, {L"C:\\a\\b|c\\d", L"C:\\a\\"},
      {L"\"C:\\a\\b.txt\"", L"C:\\a\\"},
  };
  for (const auto& [path, part] : cases) {
    text_scope scope;
    EXPECT_STREQ(path_part(path, scope.start()), part);
  }
}

TEST(PathPart, ReadsAPathThatLiesInTheAccumulatorWhileItMoves) {
  // Longer than the buffer and than its growth step: appending it and
  // reserving the result both make the buffer grow.
  std::wstring long_path;
  const int64_t bytes = (accumulator.capacity > 16384 ? accumulator.capacity : 16384) + 2000;
  while ((int64_t)long_path.size() * 2 < bytes) long_path += L"folder\\";
  text_scope scope;
  append_text((long_path + L"file.txt").c_str());
  const wchar_t* built = scope.seal();
  // A block right behind the buffer keeps it from growing in place.
  void* blocker = HeapAlloc(string_heap, 0, 64);
  const char* before = accumulator.buffer;
  std::wstring part = path_part(built, accumulator.offset);
  EXPECT_NE(accumulator.buffer, before);
  EXPECT_EQ(part, long_path);
  HeapFree(string_heap, 0, blocker);
}

TEST_F(Filesystem, CreateDirectoryMakesTheLastLevelWithOrWithoutATrailingSeparator) {
  EXPECT_NE(create_directory(at(L"x\\").c_str()), 0);
  EXPECT_EQ(create_directory(at(L"x").c_str()), 0);  // the same directory, there already
  EXPECT_NE(create_directory(at(L"y/ ").c_str()), 0);
  EXPECT_EQ(file_size(at(L"y").c_str()), size_directory);
  EXPECT_EQ(create_directory(at(L"missing\\z").c_str()), 0);
  EXPECT_EQ(create_directory(L" \\/"), 0);
}

TEST_F(Filesystem, DeletingAllFilesRemovesTheTreeUnlessAReadOnlyFileNeedsForce) {
  two_level_tree();
  EXPECT_NE(delete_directory(at(L"t/").c_str(), L"*.*", delete_recursive), 0);
  EXPECT_FALSE(exists(at(L"t")));

  two_level_tree();
  file(L"t\\s\\u\\locked.txt", 1, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive), 0);
  EXPECT_TRUE(exists(at(L"t\\s\\u\\locked.txt")));
  EXPECT_FALSE(exists(at(L"t\\s\\u\\e.log")));
  EXPECT_NE(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive | delete_force), 0);
  EXPECT_FALSE(exists(at(L"t")));
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.*", delete_recursive), 0);  // nothing to list
}

TEST_F(Filesystem, ASpecificPatternDeletesMatchingFilesAndKeepsEveryDirectory) {
  two_level_tree();
  EXPECT_EQ(delete_directory(at(L"t").c_str(), L"*.log", delete_recursive), 1);
  for (const wchar_t* gone : {L"t\\a.log", L"t\\s\\c.log", L"t\\s\\u\\e.log"}) EXPECT_FALSE(exists(at(gone)));
  for (const wchar_t* kept : {L"t\\b.txt", L"t\\s\\d.txt", L"t\\s\\u"}) EXPECT_TRUE(exists(at(kept)));
}

// A name longer than the path buffer would be cut into the name of another
// file or folder, which must not be deleted in its stead.
TEST_F(Filesystem, DeletingNeverCutsNamesIntoOtherNames) {
  const std::wstring long_prefix = L"\\\\?\\";
  // A folder whose path takes exactly `length` characters.
  auto folder_of_length = [&](size_t length) {
    std::wstring folder = at(L"d");
    folder.append(length - folder.size(), L'p');
    CreateDirectoryW((long_prefix + folder).c_str(), nullptr);
    return long_prefix + folder;
  };
  // folder\keeps takes exactly MAX_PATH characters.
  const std::wstring folder = folder_of_length(MAX_PATH - 6);
  const std::wstring keep = folder + L"\\keeps", longer = keep + L"-longer.txt";
  write_whole_file(keep, "keep");
  write_whole_file(longer, "txt");
  EXPECT_EQ(delete_directory(folder.c_str() + 4, L"*.txt", 0), 1);
  EXPECT_TRUE(exists(keep));

  // A folder name that fills the buffer leaves no room for its entries' names.
  const std::wstring full = folder_of_length(MAX_PATH);
  write_whole_file(full + L"\\f", "f");
  EXPECT_EQ(delete_directory(full.c_str() + 4, L"*.*", delete_recursive), 0);
  EXPECT_TRUE(exists(full + L"\\f"));

  for (const std::wstring& name : {keep, longer, full + L"\\f"}) DeleteFileW(name.c_str());
  for (const std::wstring& name : {folder, full}) RemoveDirectoryW(name.c_str());
}

}  // namespace
