// Symbolic links in the app folder, through the packer: a link that leads
// into the folder goes as a copy, and the summary lists it; one that leads
// out (unless --follow-links), to nothing or in a loop refuses the pack,
// each listed with its target, however it is reached.
#include <algorithm>

#include "packer_test_support.h"

namespace {

class Links : public packer_test {};

const std::string listed_links =
    " (a link is packed as a copy of what it leads to in the app folder; --follow-links packs what links lead to "
    "outside it):";

// "@" stands for the test's folder, "%" for the case's app folder.
std::string placed(std::string text, const std::string& dir, const std::string& app) {
  for (size_t at; (at = text.find_first_of("@%")) != std::string::npos;)
    text.replace(at, 1, text[at] == '@' ? dir : app);
  return text;
}

TEST_F(Links, CopiedWhenTheyLeadIntoTheFolderAndRefusedWithTheirTargetsOtherwise) {
  // Beside every app folder: a private file and a folder of others.
  write_bytes(dir / "secret.txt", "private");
  write_bytes(dir / "shared" / "o.txt", "outside");
  const file_list base = {{"index.html", "<p>links</p>"}, {"themes/dark.css", "dark"}};
  struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // where ("@/..." outside the app), target as written
    std::vector<std::string> options;
    bool through_link;  // APP_DIR given as a link to the app folder
    std::vector<std::string> lines;  // refused: the listed links; packed: the summary's copies
    file_list added;  // packed: the entries beside the app's own
  } cases[] = {
      {"a file inside", {{"css/theme.css", "../themes/dark.css"}}, {}, false,
       {"css/theme.css -> ../themes/dark.css"}, {{"css/", ""}, {"css/theme.css", "dark"}}},
      {"a folder inside", {{"alias", "themes"}}, {}, false, {"alias -> themes"},
       {{"alias/", ""}, {"alias/dark.css", "dark"}}},
      {"a chain inside", {{"a.css", "b.css"}, {"b.css", "themes/dark.css"}}, {}, false,
       {"a.css -> b.css", "b.css -> themes/dark.css"}, {{"a.css", "dark"}, {"b.css", "dark"}}},
      {"relative links of an app folder given through a link", {{"alias", "themes"}}, {}, true, {"alias -> themes"},
       {{"alias/", ""}, {"alias/dark.css", "dark"}}},
      {"a file outside", {{"private.txt", "../secret.txt"}}, {}, false,
       {"private.txt -> ../secret.txt: leads out of the app folder, to @/secret.txt"}, {}},
      {"a folder outside, by its absolute path", {{"lib", "@/shared"}}, {}, false,
       {"lib -> @/shared: leads out of the app folder, to @/shared"}, {}},
      {"a chain out", {{"a.txt", "b.txt"}, {"b.txt", "../secret.txt"}}, {}, false,
       {"a.txt -> b.txt: leads out of the app folder, to @/secret.txt",
        "b.txt -> ../secret.txt: leads out of the app folder, to @/secret.txt"}, {}},
      {"dangling", {{"gone.js", "missing.js"}}, {}, false, {"gone.js -> missing.js: leads to nothing"}, {}},
      {"a loop of links", {{"a", "b"}, {"b", "a"}}, {}, false, {"a -> b: a loop of links", "b -> a: a loop of links"}, {}},
      {"a folder that holds it", {{"themes/up", ".."}}, {}, false,
       {"themes/up -> ..: leads to a folder that holds it, a loop"}, {}},
      // The link inside is reached twice, and refused under both names.
      {"a link in a folder reached through a link", {{"alias", "themes"}, {"themes/leak.txt", "../../secret.txt"}},
       {}, false,
       {"alias/leak.txt -> ../../secret.txt: leads out of the app folder, to @/secret.txt",
        "themes/leak.txt -> ../../secret.txt: leads out of the app folder, to @/secret.txt"}, {}},
      {"excluded", {{"private.txt", "../secret.txt"}}, {"--exclude", "private.txt"}, false, {}, {}},
      {"--follow-links: a file outside", {{"private.txt", "../secret.txt"}}, {"--follow-links"}, false,
       {"private.txt -> ../secret.txt (outside the app folder: @/secret.txt)"}, {{"private.txt", "private"}}},
      {"--follow-links: a folder outside", {{"lib", "../shared"}}, {"--follow-links"}, false,
       {"lib -> ../shared (outside the app folder: @/shared)"}, {{"lib/", ""}, {"lib/o.txt", "outside"}}},
      {"--follow-links: still nothing to lead to", {{"gone.js", "missing.js"}}, {"--follow-links"}, false,
       {"gone.js -> missing.js: leads to nothing"}, {}},
      {"--follow-links: out and back to the app folder",
       {{"lib", "@/round"}, {"@/round/back", "%"}}, {"--follow-links"}, false,
       {"lib/back -> %: leads to a folder that holds it, a loop"}, {}},
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path app = make_app("app-" + std::to_string(++number), base), exe = dir / "out.exe";
    fs::remove(app / "empty");
    const std::string at = u(fs::canonical(dir)), app_text = u(fs::canonical(app));
    for (const auto& [where, target] : c.links) {
      fs::path link = where.starts_with('@') ? path_of(placed(where, at, app_text)) : app / path_of(where);
      fs::create_directories(link.parent_path());
      fs::create_symlink(path_of(placed(target, at, app_text)), link);
    }
    fs::path given = app;
    if (c.through_link) fs::create_directory_symlink(app, given = dir / ("link-to-app-" + std::to_string(number)));
    std::vector<std::string> args = {u(given), "-o", u(exe), "--launcher", u(launcher)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    fs::remove(exe);
    bool refused = c.added.empty() && !c.lines.empty();
    ASSERT_EQ(pack(args), refused ? exit_refused : exit_done) << err;
    std::string expected;
    for (const auto& line : c.lines) expected += (refused ? "\n  " : "\n    ") + placed(line, at, app_text);
    if (refused) {
      std::string count = std::to_string(c.lines.size()) + (c.lines.size() == 1 ? " symbolic link" : " symbolic links");
      EXPECT_EQ(err, "wapp-pack: cannot pack " + count + listed_links + expected + "\n");
      EXPECT_FALSE(fs::exists(exe));
      continue;
    }
    EXPECT_EQ(err, "");
    std::string summary = out.substr(out.find("\n  served from") + 1);
    summary = summary.substr(summary.find('\n') + 1);
    if (c.lines.empty()) {
      EXPECT_EQ(summary, "");
    } else {
      std::string count = std::to_string(c.lines.size()) +
                          (c.lines.size() == 1 ? " symbolic link packed as a copy of what it leads to:"
                                               : " symbolic links packed as copies of what they lead to:");
      EXPECT_EQ(summary, "  " + count + expected + "\n");
    }
    file_list entries = zip_entries(split_payload(read_bytes(exe)).zip), added;
    for (const auto& entry : entries)
      if (std::find(base.begin(), base.end(), entry) == base.end() && entry.first != "themes/") added.push_back(entry);
    EXPECT_EQ(added, c.added);
  }
}

// Links and names refused at once: each kind listed on its own.
TEST_F(Links, RefusedTogetherWithNamesTheLauncherWouldNotUnpack) {
  fs::path app = make_app("app", {{"index.html", "x"}, {"aux.js", "x"}});
  fs::create_symlink("nowhere", app / "gone.js");
  ASSERT_EQ(pack({u(app), "-o", u(dir / "out.exe"), "--launcher", u(launcher)}), exit_refused);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 4) << err;
  EXPECT_EQ(err.rfind("wapp-pack: cannot pack 1 symbolic link (", 0), 0u) << err;
  EXPECT_NE(err.find("\n  gone.js -> nowhere: leads to nothing\nwapp-pack: cannot pack 1 name that"), std::string::npos)
      << err;
  EXPECT_NE(err.find("\n  aux.js: "), std::string::npos) << err;
}

}  // namespace
