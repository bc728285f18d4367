// The packer and --inspect on the table of entry names: the packer refuses
// every name the launcher would not unpack as it is, listing them all, and
// --inspect reports each of them in an executable that carries them.
#include "app_folder.h"
#include "packer_test_support.h"
#include "support/entry_name_cases.h"

namespace {

class PackedEntryNames : public packer_test {
 protected:
  // launcher + settings + an archive holding exactly these names.
  fs::path packed_with(const std::vector<std::string>& names, const std::string& executable = "",
                       const std::string& settings = "{}") {
    write_bytes(dir / "data.txt", "x");
    app_folder folder{};
    for (const auto& name : names) folder.entries.push_back({name, dir / "data.txt", name.ends_with('/'), 1});
    fs::path zip_path = dir / "names.zip", exe = dir / "names.exe";
    std::FILE* zip_file = open_file(zip_path, "wb");
    zip_counts counts{};
    std::string problem;
    EXPECT_EQ(write_app_zip(zip_file, folder, 6, 1, payload_part_limit, 1, nullptr, counts, problem), zip_outcome::written)
        << problem;
    std::fclose(zip_file);
    write_bytes(exe, (executable.empty() ? read_bytes(launcher) : executable) + trailer_bytes(settings, read_bytes(zip_path)));
    return exe;
  }
};

TEST_F(PackedEntryNames, InspectReportsEveryNameTheLauncherWouldNotUnpackAsPacked) {
  std::vector<std::string> names;
  for (const auto& c : entry_name_cases()) names.push_back(c.name);
  ASSERT_EQ(pack({"--inspect", u(packed_with(names))}), exit_failed);
  for (const auto& c : entry_name_cases()) {
    SCOPED_TRACE(c.name);
    // libarchive may hand a "\" of a name over as "/", which the rule reads alike.
    std::string shown = c.name;
    if (out.find("  " + shown + "\n") == std::string::npos) std::replace(shown.begin(), shown.end(), '\\', '/');
    std::string problem = "problem: " + shown + ": ";
    size_t at = out.find(problem);
    EXPECT_EQ(at != std::string::npos, c.outcome != name_outcome::unpacked) << out;
    if (c.outcome == name_outcome::skipped) {
      EXPECT_NE(out.find(problem + "the launcher skips it: " + entry_name_reason(c.verdict) + "\n"), std::string::npos);
    }
  }
  EXPECT_NE(out.find("payload: not sound"), std::string::npos) << out;

  // The folder of the issue: a script and a style sheet that Windows
  // reserves for devices.
  ASSERT_EQ(pack({"--inspect", u(packed_with({"index.html", "aux.js", "com1.css"}))}), exit_failed);
  EXPECT_NE(out.find("problem: aux.js: the launcher skips it"), std::string::npos) << out;
  EXPECT_NE(out.find("problem: com1.css: the launcher skips it"), std::string::npos) << out;
  ASSERT_EQ(pack({"--inspect", u(packed_with({"index.html", "js/", "js/aux-helper.js"}))}), exit_done) << out;
}

// Names and keys in a payload are shown with what a terminal would act on
// escaped, so that none forges a line of the report or rewrites the screen;
// and they are judged as the packer judges names, whichever system the
// launcher is for.
TEST_F(PackedEntryNames, InspectShowsNamesEscapedAndJudgesThemByThePackersRules) {
  const std::string refused = "the packer refuses it: ";
  const struct {
    std::string name, shown, problem;  // problem: "" when the name is sound
  } names[] = {
      {"index.html", "index.html", ""},
      {"x\npayload: sound", "x\\x0apayload: sound", "the launcher skips it: \":\" names a drive"},
      {"\x1b[2K\x1b[1Gfine.txt", "\\x1b[2K\\x1b[1Gfine.txt", refused + "the name holds a control character"},
      {"ctl\x01.txt", "ctl\\x01.txt", refused + "the name holds a control character"},
      {"del\x7f.txt", "del\\x7f.txt", refused + "the name holds a control character"},
      {"csi\xC2\x9b" "31m.txt", "csi\\u009b31m.txt", ""},
      {"evil\xE2\x80\xAEtxt.exe", "evil\\u202etxt.exe", ""},
      {"pipe|.txt", "pipe|.txt", refused + "Windows does not allow | in a name"},
      {"what?.txt", "what?.txt", refused + "Windows does not allow ? in a name"},
      {"sub/star*.txt", "sub/star*.txt", refused + "Windows does not allow * in a name"},
      {"q\"/x.txt", "q\"/x.txt", refused + "Windows does not allow \" in a name"},
      {"lt</x.txt", "lt</x.txt", refused + "Windows does not allow < in a name"},
  };
  std::vector<std::string> entries;
  for (const auto& n : names) entries.push_back(n.name);
  for (const std::string& executable : {read_bytes(launcher), linux_launcher_bytes()}) {
    SCOPED_TRACE(executable.starts_with("MZ") ? "Windows" : "Linux");
    ASSERT_EQ(pack({"--inspect", u(packed_with(entries, executable, R"({"\u001b]0;title\u0007": 1})"))}), exit_failed);
    for (const char* raw : {"\x1b", "\x01", "\x07", "\x7f", "\xC2\x9b", "\xE2\x80\xAE"})
      EXPECT_EQ(out.find(raw), std::string::npos) << out;
    EXPECT_EQ(out.find("\npayload: sound"), std::string::npos) << out;
    EXPECT_NE(out.find("  other keys: \\x1b]0;title\\x07\n"), std::string::npos) << out;
    for (const auto& n : names) {
      EXPECT_NE(out.find("  " + n.shown + "\n"), std::string::npos) << n.shown << "\n" << out;
      size_t problem = out.find("problem: " + n.shown + ": ");
      EXPECT_EQ(problem == std::string::npos, n.problem.empty()) << n.shown << "\n" << out;
      if (!n.problem.empty()) {
        EXPECT_EQ(out.find("problem: " + n.shown + ": " + n.problem), problem) << out;
      }
    }
    EXPECT_NE(out.find("\npayload: not sound"), std::string::npos) << out;
  }
}

#ifndef _WIN32
// Windows folders cannot hold most of these names; Linux folders can.
TEST_F(PackedEntryNames, ThePackerRefusesEveryNameTheLauncherWouldNotUnpackAsItIs) {
  file_list accepted;
  std::vector<std::string> accepted_folders;
  for (const auto& c : entry_name_cases()) {
    if (c.outcome != name_outcome::unpacked || c.on_disk.empty()) continue;
    if (c.on_disk.ends_with('/'))
      accepted_folders.push_back(c.on_disk);
    else
      accepted.emplace_back(c.on_disk, "x");
  }
  fs::path good = make_app("good", accepted), bad = make_app("bad", accepted);
  for (const std::string& folder : accepted_folders) {
    fs::create_directories(good / folder);
    fs::create_directories(bad / folder);
  }
  size_t refused = 0;
  for (const auto& c : entry_name_cases()) {
    if (c.outcome == name_outcome::unpacked || c.on_disk.empty()) continue;
    refused++;
    if (c.on_disk.ends_with('/'))
      fs::create_directories(bad / c.on_disk);
    else
      write_bytes(bad / c.on_disk, "x");
  }
  fs::path exe = dir / "out.exe";
  EXPECT_EQ(pack({u(bad), "-o", u(exe), "--launcher", u(launcher)}), exit_refused);
  EXPECT_FALSE(fs::exists(exe));
  EXPECT_EQ(err.rfind("wapp-pack: cannot pack " + std::to_string(refused) + " names", 0), 0u) << err;
  for (const auto& c : entry_name_cases()) {
    if (c.outcome != name_outcome::unpacked && !c.on_disk.empty()) {
      EXPECT_NE(err.find("\n  " + c.on_disk + ": "), std::string::npos) << c.on_disk << "\n" << err;
    }
  }
  EXPECT_EQ(other_files({launcher, good, bad}), std::vector<std::string>{});
  EXPECT_EQ(pack({u(good), "-o", u(exe), "--launcher", u(launcher)}), exit_done) << err;

  // The folder of the issue.
  fs::path app = make_app("issue", {{"index.html", "<script src=aux.js></script>"}, {"aux.js", "x"}, {"com1.css", "x"}});
  EXPECT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher)}), exit_refused);
  EXPECT_NE(err.find("\n  aux.js: Windows reserves the name for a device"), std::string::npos) << err;
  EXPECT_NE(err.find("\n  com1.css: Windows reserves the name for a device"), std::string::npos) << err;
}
#endif

}  // namespace
