// Links that another program puts into a running launcher's folder, to a
// file and a folder outside it: closing the launcher never deletes what
// they lead to.
#include <iostream>

#include "launcher_driver.h"
#include "support/links.h"

namespace {

using LauncherLinks = end_to_end_test;

TEST_F(LauncherLinks, LinksPlacedInTheFolderGoWithoutWhatTheyLeadTo) {
  const fs::path outside = root / "outside", work = root / "work", folder = temp / "webapp";
  fs::create_directories(outside / "inner");
  fs::create_directories(work);
  write_file(outside / "keep.txt", "outside");
  write_file(outside / "inner" / "deep.txt", "deep");
  const std::set<std::wstring> outside_tree = {L"inner/", L"inner/deep.txt", L"keep.txt"};
  const entry_list app = {{L"index.html", "linked"}, {L"js/", ""}, {L"js/app.js", "app"}};

  launcher_run run = start(make_launcher(L"linked", settings_document("Linked"), app));
  ASSERT_TRUE(run.wait_for_window(L"Linked"));
  std::vector<std::string> missing;
  std::vector<placed_link> links = place_every_link(folder, outside / "keep.txt", outside / "inner", work, missing);
  for (const placed_link& link :
       place_every_link(folder / "js", outside / "keep.txt", outside / "inner", work, missing))
    links.push_back(link);
  for (const std::string& why : std::set<std::string>(missing.begin(), missing.end()))
    std::cout << "[ links ] not made here: " << why << "\n";
  ASSERT_FALSE(links.empty()) << "no kind of link can be made here";
  // Through the links the page's folder reaches the outside files.
  for (const placed_link& link : links)
    EXPECT_EQ(read_file(link.directory ? link.path / "deep.txt" : link.path), link.directory ? "deep" : "outside");

  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_EQ(read_file(outside / "keep.txt"), "outside");
  EXPECT_EQ(read_file(outside / "inner" / "deep.txt"), "deep");
  EXPECT_EQ(entries_of(outside), outside_tree);
  // A link Wine's host made cannot be deleted from inside Wine without
  // deleting what it leads to: those stay, with the folder around them and
  // its marker let go, so the next start tries again.
  std::set<std::wstring> left;
  std::vector<fs::path> host_links;
  for (const placed_link& link : links) {
    if (link.kind != link_kind::host) continue;
    host_links.push_back(link.path);
    left.insert(link.path.lexically_relative(folder).generic_wstring() + (link.directory ? L"/" : L""));
  }
  if (!left.empty()) left.insert({L"js/", L"webapp.lock"});
  EXPECT_EQ(entries_of(folder), left);
  if (left.empty()) return;

  // Once the host has taken its links away, the next launcher's start
  // removes what is left, and its own folder goes at its close.
  remove_host_links(host_links, work);
  launcher_run next = start(make_launcher(L"next", settings_document("Next"), app));
  ASSERT_TRUE(next.wait_for_window(L"Next"));
  EXPECT_EQ(last_fake_value(next.wait_for_fake_line("navigate"), "navigate"), app_address());
  next.close();
  EXPECT_EQ(next.wait_for_exit(), 0u);
  EXPECT_TRUE(tree_of(temp).empty());
  EXPECT_EQ(entries_of(outside), outside_tree);
}

}  // namespace
