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
  fs::path packed_with(const std::vector<std::string>& names) {
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
    write_bytes(exe, read_bytes(launcher) + trailer_bytes("{}", read_bytes(zip_path)));
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

#ifndef _WIN32
// Windows folders cannot hold most of these names; Linux folders can.
TEST_F(PackedEntryNames, ThePackerRefusesEveryNameTheLauncherWouldNotUnpackAsItIs) {
  file_list accepted;
  for (const auto& c : entry_name_cases())
    if (c.outcome == name_outcome::unpacked && !c.on_disk.empty() && !c.on_disk.ends_with('/'))
      accepted.emplace_back(c.on_disk, "x");
  fs::path good = make_app("good", accepted), bad = make_app("bad", accepted);
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
