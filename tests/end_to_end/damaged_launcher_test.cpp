// Real launcher processes on damaged executables: the payload cut short at
// every boundary of its layout and at random places, archives cut and
// framed again, and length fields that point at the wrong bytes. Each run
// ends cleanly: a window with the address the file still gives, or none;
// exit code 0; never a partial file; nothing left in its temporary folder.
#include <iostream>
#include <memory>
#include <random>

#include "launcher_driver.h"

namespace {

using DamagedLauncher = end_to_end_test;

const std::string default_title = "App por defecto", default_start = "https://www.wikipedia.org/";
const std::string start_address = "https://start.example/";

entry_list damaged_app() {
  std::mt19937 bytes(7);
  std::string image(12000, 0), script;
  for (char& c : image) c = (char)bytes();
  for (int i = 0; i < 400; ++i) script += "console.log('line " + std::to_string(i * 7919 % 1000) + "');\n";
  return {{L"css/", ""},
          {L"css/app.css", "body { margin: 0 }"},
          {L"img/", ""},
          {L"img/noise.bin", image},
          {L"js/", ""},
          {L"js/app.js", script},
          {L"index.html", "<!doctype html><script src=js/app.js></script>"}};
}

std::string field(int32_t value) { return std::string((const char*)&value, 4); }

struct damage_case {
  std::string what;
  std::string payload;              // what follows the launcher's own bytes
  std::string title;                // the window's, or empty when none may open
  std::set<std::string> addresses;  // any of them; "app" for the unpacked page
};

TEST_F(DamagedLauncher, EveryCutEndsCleanlyWithTheWindowTheFileStillGives) {
  const entry_list app = damaged_app();
  const std::string json = settings_document("Damaged", {{"StartURL", start_address}});
  const std::string zip = archive_of(app);
  const std::string launcher = read_file(built_launcher());
  const std::string whole = trailer_bytes(json, zip);
  const size_t json_end = json.size() + 4, zip_end = json_end + zip.size();
  const size_t central = zip.find("PK\x01\x02"), end_record = zip.rfind("PK\x05\x06");
  ASSERT_NE(central, std::string::npos);
  ASSERT_NE(end_record, std::string::npos);

  std::vector<damage_case> cases = {{"whole", whole, "Damaged", {"app"}}};
  // Cut short, the file no longer ends with the magic: no payload at all.
  const std::pair<const char*, size_t> cuts[] = {{"at the launcher's end", 0},
                                                 {"in the settings' text", 1},
                                                 {"in the settings' text", json.size() / 2},
                                                 {"in the settings' length", json.size() + 1},
                                                 {"in the settings' length", json.size() + 3},
                                                 {"at the archive's start", json_end},
                                                 {"in the archive", json_end + zip.size() / 2},
                                                 {"in the archive", zip_end - 1},
                                                 {"in the archive's length", zip_end + 1},
                                                 {"in the archive's length", zip_end + 3},
                                                 {"before the magic", zip_end + 4},
                                                 {"in the magic", whole.size() - 3},
                                                 {"in the magic", whole.size() - 1}};
  for (const auto& [what, at] : cuts)
    cases.push_back({std::string("cut ") + what, whole.substr(0, at), default_title, {default_start}});
  std::mt19937 random(11);
  for (int i = 0; i < 6; ++i)
    cases.push_back({"cut at random", whole.substr(0, random() % whole.size()), default_title, {default_start}});

  // Parts framed with length fields of any value.
  auto framed = [](const std::string& settings, int32_t j, const std::string& archive, int32_t z) {
    return settings + field(j) + archive + field(z) + "WAPP";
  };
  const int32_t j = (int32_t)json.size(), z = (int32_t)zip.size();
  // An archive cut short and framed again: the settings hold, unpacking
  // ends where the archive does, or the archive is not taken at all.
  std::vector<size_t> archive_cuts = {
      2, 30, 30 + zip.size() / 8, central, central + 20, end_record + 10, zip.size() - 1};
  for (int i = 0; i < 6; ++i) archive_cuts.push_back(1 + random() % (zip.size() - 1));
  for (size_t keep : archive_cuts)
    cases.push_back({"archive cut at " + std::to_string(keep),
                     framed(json, j, zip.substr(0, keep), (int32_t)keep),
                     "Damaged",
                     {"app", start_address}});
  cases.push_back({"archive length 0", framed(json, j, "", 0), "Damaged", {start_address}});
  // Settings cut short and framed again do not parse: no window at all.
  cases.push_back({"settings cut", framed(json.substr(0, j / 2), j / 2, zip, z), "", {}});
  cases.push_back({"settings length 0", framed("", 0, zip, z), default_title, {"app"}});
  // Lengths reaching before the file's start, or into the other part.
  cases.push_back({"archive length too long", framed(json, j, zip, INT32_MAX), default_title, {default_start}});
  cases.push_back({"settings length too long", framed(json, INT32_MAX, zip, z), default_title, {"app"}});
  cases.push_back(
      {"archive length into the settings", framed(json, j, zip, z + 5), default_title, {"app", default_start}});

  // Several launchers at a time, each with a temporary folder of its own.
  constexpr size_t at_once = 8;
  for (size_t first = 0; first < cases.size(); first += at_once) {
    const size_t last = std::min(cases.size(), first + at_once);
    std::vector<std::unique_ptr<launcher_run>> runs;
    for (size_t i = first; i < last; ++i) {
      const fs::path executable = bin / ("damaged-" + std::to_string(i) + ".exe"), own_temp = temp / std::to_string(i);
      write_file(executable, launcher + cases[i].payload);
      fs::create_directories(own_temp);
      runs.push_back(std::make_unique<launcher_run>(executable, own_temp, log_of(executable)));
    }
    for (size_t i = first; i < last; ++i) {
      const damage_case& c = cases[i];
      launcher_run& run = *runs[i - first];
      const fs::path own_temp = temp / std::to_string(i);
      SCOPED_TRACE(c.what + " (case " + std::to_string(i) + ")");
      if (!c.title.empty()) {
        ASSERT_TRUE(run.wait_for_window(std::wstring(c.title.begin(), c.title.end())));
        std::string address = last_fake_value(run.wait_for_fake_line("navigate"), "navigate");
        const std::string unpacked = utf8_of(L"file://" + own_temp.wstring() + L"\\webapp/index.html");
        EXPECT_TRUE(c.addresses.count(address == unpacked ? "app" : address)) << address;
        // Whatever was unpacked is whole: each file as the app has it.
        std::set<std::wstring> expected = {L"webapp/", L"webapp/webapp.zip", L"webapp/webapp.lock"};
        for (const auto& [name, bytes] : app) {
          const fs::path file = own_temp / L"webapp" / name;
          if (address == unpacked && (c.what == "whole" || fs::exists(file))) expected.insert(L"webapp/" + name);
          if (!name.ends_with(L'/') && fs::exists(file)) {
            EXPECT_TRUE(read_file(file) == bytes) << file;
          }
        }
        EXPECT_EQ(tree_of(own_temp), address == unpacked ? expected : std::set<std::wstring>{});
        run.close();
      }
      EXPECT_EQ(run.wait_for_exit(), 0u);
      EXPECT_TRUE(tree_of(own_temp).empty());
    }
  }
  std::cout << "[ damaged ] " << cases.size() << " launchers run\n";
}

}  // namespace
