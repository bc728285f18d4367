// Links in the app folder through the Windows packer, where the C++ library
// sees none and the system is asked where each name leads: the host's links
// as Wine shows them (a folder link as a reparse point, a file link as the
// file it leads to), made by the host's own ln -s. The rules are those of
// links_linux_test.cpp; the target shown is the one the link leads to.
// Wine lists no link that leads to nothing, so none is packed either.
#include "packer_test_support.h"
#include "support/links.h"

namespace {

class WindowsLinks : public packer_test {};

TEST_F(WindowsLinks, CopiedWhenTheyLeadIntoTheFolderAndRefusedOtherwise) {
  if (unix_path(dir).empty()) GTEST_SKIP() << "the host's links are made through Wine";
  write_bytes(dir / "secret.txt", "private");
  fs::create_directories(dir / "work");
  struct {
    const char* name;
    const char* link;
    fs::path target;  // below the test's folder
    std::vector<std::string> options;
    std::string why;   // refused: why, after "<link> -> <target>: "
    file_list added;   // packed: the entries beside the app's own
  } cases[] = {
      {"a file inside", "theme.css", "app-1/themes/dark.css", {}, "", {{"theme.css", "dark"}}},
      {"a folder inside", "alias", "app-2/themes", {}, "", {{"alias/", ""}, {"alias/dark.css", "dark"}}},
      {"a file outside", "private.txt", "secret.txt", {}, "leads out of the app folder, to ", {}},
      {"--follow-links: a file outside", "private.txt", "secret.txt", {"--follow-links"}, "",
       {{"private.txt", "private"}}},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path app = make_app("app-" + std::to_string(++number), {{"index.html", "x"}, {"themes/dark.css", "dark"}});
    fs::remove(app / "empty");
    ASSERT_EQ(make_host_links({{app / c.link, dir / c.target}}, dir / "work"), "");
    fs::path exe = dir / "out.exe";
    std::vector<std::string> args = {u(app), "-o", u(exe), "--launcher", u(launcher)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    int status = pack(args);
    std::string line = std::string("\n  ") + c.link + " -> ";
    if (!c.why.empty()) {
      EXPECT_EQ(status, exit_refused);
      EXPECT_NE(err.find(line), std::string::npos) << err;
      EXPECT_NE(err.find(": " + c.why), std::string::npos) << err;
    } else {
      ASSERT_EQ(status, exit_done) << err;
      EXPECT_NE(out.find(" packed as a copy of what it leads to:\n  " + line.substr(1)), std::string::npos) << out;
      file_list added;
      for (const auto& entry : zip_entries(split_payload(read_bytes(exe)).zip))
        if (entry.first != "index.html" && !entry.first.starts_with("themes/")) added.push_back(entry);
      EXPECT_EQ(added, c.added);
    }
    remove_host_links({app / c.link}, dir / "work");
  }
}

}  // namespace
