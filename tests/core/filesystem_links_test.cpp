// delete_directory over a tree holding links of every kind this machine lets
// a program make, to a file and a folder outside it: whatever the pattern,
// nothing is deleted through a link.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

#include "runtime/core/filesystem.h"
#include "support/links.h"
#include "support/temp_files.h"

namespace {

namespace fs = std::filesystem;

std::string contents_of(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FilesystemLinks, DeletingNeverReachesThroughALinkWhateverThePattern) {
  const fs::path root = unique_temp_path(L"wapp-links-"), outside = root / "outside", work = root / "work";
  fs::create_directories(outside / "inner");
  fs::create_directories(work);
  write_whole_file((outside / "keep.txt").wstring(), "outside");
  write_whole_file((outside / "inner" / "deep.txt").wstring(), "deep");
  const fs::path folder = root / "folder";
  std::vector<fs::path> host_links;

  for (const wchar_t* pattern : {L"*.*", L"*", L"link*"}) {
    SCOPED_TRACE(fs::path(pattern).string());
    // folder/{own.txt, sub/{own.txt, own.log, the links}}: one level down,
    // where the walk has entered a folder of its own.
    fs::create_directories(folder / "sub");
    for (const char* name : {"own.txt", "sub/own.txt", "sub/own.log"})
      write_whole_file((folder / name).wstring(), name);
    std::vector<std::string> missing;
    const auto links = place_every_link(folder / "sub", outside / "keep.txt", outside / "inner", work, missing);
    if (std::wstring(pattern) == L"*.*")
      for (const std::string& why : missing) std::cout << "[ links ] not made here: " << why << "\n";
    ASSERT_FALSE(links.empty()) << "no kind of link can be made here";

    // Only a specific pattern keeps folders, and only "*.*" every file. A
    // link made by Wine's host cannot be deleted from inside Wine without
    // deleting what it leads to, so it stays.
    const bool all = std::wstring(pattern) == L"*.*";
    std::set<std::wstring> kept;
    if (!all) kept = {L"sub/"};
    if (std::wstring(pattern) == L"link*") kept.insert({L"own.txt", L"sub/own.txt", L"sub/own.log"});
    for (const placed_link& link : links) {
      if (link.kind == link_kind::host) host_links.push_back(link.path);
      if (link.kind == link_kind::host || (!all && link.directory))
        kept.insert(L"sub/" + link.path.filename().wstring() + (link.directory ? L"/" : L""));
    }
    if (all && !kept.empty()) kept.insert(L"sub/");
    const int result = delete_directory(folder.c_str(), pattern, delete_recursive);

    EXPECT_EQ(contents_of(outside / "keep.txt"), "outside");
    EXPECT_EQ(contents_of(outside / "inner" / "deep.txt"), "deep");
    EXPECT_EQ(entries_of(outside), (std::set<std::wstring>{L"inner/", L"inner/deep.txt", L"keep.txt"}));
    EXPECT_EQ(entries_of(folder), kept);
    // "link*" matches nothing at the top, which then lists nothing: 0.
    EXPECT_EQ(result, all ? (kept.empty() ? 1 : 0) : std::wstring(pattern) == L"*" ? 1 : 0);
    EXPECT_EQ(fs::exists(folder), !(all && kept.empty()));
    remove_host_links(host_links, work);
    delete_directory(folder.c_str(), L"*.*", delete_recursive);
    ASSERT_FALSE(fs::exists(folder));
  }
  delete_directory(root.c_str(), L"*.*", delete_recursive | delete_force);
}

}  // namespace
