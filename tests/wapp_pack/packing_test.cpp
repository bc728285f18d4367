// What a pack writes: the launcher untouched, the settings as strings, and a
// zip whose bytes depend on nothing but the folder's names and contents.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "app_folder.h"
#include "payload/byte_fields.h"
#include "packer_test_support.h"
#include "payload/json_text.h"
#include "payload/program_kind.h"

namespace {


class Packing : public packer_test {};

TEST_F(Packing, SameFolderGivesTheSameBytesAndARepackReplacesTheOldTrailer) {
  fs::path app = make_app("app");
  auto pack_to = [&](const fs::path& exe, const fs::path& from) {
    EXPECT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(from), "--title", "T\xC3\xA9st"}), exit_done) << err;
  };
  pack_to(dir / "a.exe", launcher);
  EXPECT_EQ(out.rfind(u(dir / "a.exe") + ": 7 files, 70.2 kB in, ", 0), 0u) << out;
  fs::last_write_time(app / "index.html", fs::last_write_time(app / "index.html") - std::chrono::hours(50000));
  pack_to(dir / "b.exe", launcher);
  pack_to(dir / "c.exe", dir / "a.exe");  // repacked, not stacked
  std::string a = read_bytes(dir / "a.exe");
  EXPECT_TRUE(a == read_bytes(dir / "b.exe"));
  EXPECT_TRUE(a == read_bytes(dir / "c.exe"));

  payload_parts parts = split_payload(a);
  EXPECT_TRUE(parts.executable == read_bytes(launcher));
  // Every folder has its entry before what it holds: the launcher makes one
  // folder level per entry.
  file_list expected = {{"bin.dat", sample_files[6].second},
                        {"css/", ""},
                        {"css/site.css", sample_files[1].second},
                        {"donn\xC3\xA9" "es/", ""},
                        sample_files[4],
                        {"empty.txt", ""},
                        {"empty/", ""},
                        {"img/", ""},
                        {"img/deep/", ""},
                        {"img/deep/er/", ""},
                        sample_files[3],
                        sample_files[0],
                        {"js/", ""},
                        sample_files[2]};
  EXPECT_EQ(zip_entries(parts.zip), expected);
  // Central directory: names flagged as UTF-8 where they need it, the DOS
  // time of every entry 1980-01-01 00:00.
  size_t entries = 0;
  for (size_t at = parts.zip.find("PK\1\2"); at != std::string::npos; at = parts.zip.find("PK\1\2", at + 4)) {
    std::string name = parts.zip.substr(at + 46, get16(parts.zip, at + 28));
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return (uint8_t)c < 0x80; });
    EXPECT_EQ((get16(parts.zip, at + 8) & 0x800) != 0, !ascii) << name;
    EXPECT_EQ(get16(parts.zip, at + 12), 0u) << name;
    EXPECT_EQ(get16(parts.zip, at + 14), 0x21u) << name;
    entries++;
  }
  EXPECT_EQ(entries, expected.size());
}

// The archive libarchive's zip writer makes of the folder's entries, set up as
// the packer once used it: what every program packed before holds, and what
// the packer's own writer must still give, on any number of threads.
std::string libarchive_zip(const app_folder& folder, int level) {
  std::string zip;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_options(writer, ("compression-level=" + std::to_string(level) + ",hdrcharset=UTF-8").c_str());
  archive_write_set_bytes_per_block(writer, 0);
  auto append = [](archive*, void* to, const void* bytes, size_t length) -> la_ssize_t {
    ((std::string*)to)->append((const char*)bytes, length);
    return (la_ssize_t)length;
  };
  archive_write_open2(writer, &zip, nullptr, append, nullptr, nullptr);
  for (const app_entry& item : folder.entries) {
    archive_entry* header = archive_entry_new();
#ifdef _WIN32
    archive_entry_copy_pathname_w(header, path_of(item.name).c_str());
#else
    archive_entry_update_pathname_utf8(header, item.name.c_str());
#endif
    archive_entry_set_filetype(header, item.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(header, item.directory ? 0755 : 0644);
    archive_entry_set_size(header, (la_int64_t)item.size);
    archive_write_header(writer, header);
    std::string data = item.directory ? "" : read_bytes(item.disk_path);
    for (size_t at = 0; at < data.size(); at += 1 << 20)
      archive_write_data(writer, data.data() + at, std::min<size_t>(1 << 20, data.size() - at));
    archive_write_finish_entry(writer);
    archive_entry_free(header);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return zip;
}

TEST_F(Packing, EveryThreadCountWritesTheBytesLibarchiveWrote) {
  file_list files = sample_files;
  // Compressed ahead in memory, and one too large for that, written as it is compressed.
  std::string medium, large;
  for (int i = 0; i < 100000; i++) medium += "line " + std::to_string(i * 7919u % 1000) + "\n";
  for (int i = 0; large.size() < (9u << 20); i++) large += std::to_string(i * 2654435761u) + " ";
  files.push_back({"data/medium.txt", medium});
  files.push_back({"data/large.txt", large});
  for (int i = 0; i < 40; i++) files.push_back({"many/f" + std::to_string(i) + ".js", std::string(i * 100, 'x')});
  fs::path app = make_app("app", files);
  app_folder folder;
  std::string problem;
  ASSERT_TRUE(scan_app_folder(app, {}, false, folder, problem)) << problem;
  for (int level : {6, 0}) {
    std::string expected = libarchive_zip(folder, level);
    for (int threads : {1, 3}) {
      SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(threads) + " threads");
      fs::path exe = dir / "out.exe";
      ASSERT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher), "-q", "--level", std::to_string(level),
                      "--threads", std::to_string(threads)}),
                exit_done)
          << err;
      std::string zip = split_payload(read_bytes(exe)).zip;
      // Ours ends on the payload's alignment with a comment of spaces.
      size_t comment = get16(zip, zip.rfind("PK\5\6") + 20);
      zip.resize(zip.size() - comment);
      put16(zip, zip.size() - 2, 0);
      EXPECT_TRUE(zip == expected) << zip.size() << " bytes, libarchive " << expected.size();
    }
  }
}

TEST_F(Packing, SettingsComeFromTheFileAndTheOptionsAndAreAllStrings) {
  fs::path app = make_app("app"), exe = dir / "out.exe";
  write_bytes(dir / "settings.json",
              "\xEF\xBB\xBF{\r\n  \"WindowWidth\": 1024, \"WindowHeight\": \"700\", \"WindowTitle\": \"Fichier\",\r\n"
              "  \"Resizable\": true, \"Frameless\": false, \"AlwaysOnTop\": null, \"ExeFileName\": \"x.exe\",\r\n"
              "  \"SingleInstance\": true,\r\n"
              "  \"Nested\": {\"a\": [1.5, \"\\u00e9\", true, null]}\r\n}");
  ASSERT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher), "--settings", u(dir / "settings.json"), "--width",
                  "640", "--no-maximize", "--fullscreen", "--start-url=https://example.org/", "--devtools",
                  "--remember-window", "--page-title", "--close-to-tray", "-q"}),
            exit_done)
      << err;
  // Quiet, but for what the launcher will ignore.
  const std::string warning = "wapp-pack: warning: " + u(dir / "settings.json") + ": unknown key ";
  EXPECT_EQ(out + err, warning + "\"ExeFileName\": the launcher ignores it (carried along as it is)\n" + warning +
                           "\"Nested\": the launcher ignores it (carried along as it is)\n");
  std::string json = split_payload(read_bytes(exe)).json;
  EXPECT_EQ(json.find('\n'), json.find("\r\n") + 1);
  json_node root;
  json_text_error error;
  ASSERT_TRUE(parse_json_text(json, root, error)) << error.message;
  file_list members;
  for (const auto& [name, value] : root.members)
    members.emplace_back(name, value.kind == json_kind::string ? value.text : json_compact(value));
  EXPECT_EQ(members, (file_list{{"WindowWidth", "640"},
                                {"WindowHeight", "700"},
                                {"WindowTitle", "Fichier"},
                                {"StartURL", "https://example.org/"},
                                {"AlwaysOnTop", "0"},
                                {"ShowMinimizeButton", "1"},
                                {"ShowMaximizeButton", "0"},
                                {"Fullscreen", "1"},
                                {"Frameless", "0"},
                                {"Resizable", "1"},
                                {"DevTools", "1"},
                                {"SingleInstance", "1"},
                                {"RememberWindow", "1"},
                                {"PageTitle", "1"},
                                {"CloseToTray", "1"},
                                {"VirtualHost", "app.wapp"},  // by default
                                {"AppId", "fichier"},         // from the title
                                {"ExeFileName", "x.exe"},
                                {"Nested", "{\"a\":[1.5,\"\xC3\xA9\",true,null]}"}}));
}

TEST_F(Packing, ExclusionsAndAStartAddressInsteadOfAnIndex) {
  fs::path app = make_app("app"), exe = dir / "out.exe";
  ASSERT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher), "--exclude", "*.dat", "--exclude", "js/",
                  "--exclude", "img/**/*.svg", "--exclude", "/empty*"}),
            exit_done)
      << err;
  std::string names;
  for (const auto& [name, data] : zip_entries(split_payload(read_bytes(exe)).zip)) names += name + " ";
  EXPECT_EQ(names, "css/ css/site.css donn\xC3\xA9" "es/ " + sample_files[4].first +
                       " img/ img/deep/ img/deep/er/ index.html ");
  struct {
    const char* pattern;
    const char* path;
    bool directory, excluded;
  } globs[] = {
      {"*.map", "js/app.js.map", false, true},    {"*.map", "js/app.map.js", false, false},
      {"js/*.map", "js/a/b.map", false, false},   {"js/**.map", "js/a/b.map", false, true},
      {"**/test", "test", true, true},            {"src/**/x", "src/x", false, true},
      {"node_modules/", "a/node_modules", true, true}, {"node_modules/", "node_modules", false, false},
      {"?.txt", "\xC3\xA9.txt", false, true},     {"/a?c", "x/abc", false, false},
  };
  for (const auto& g : globs) EXPECT_EQ(is_excluded({g.pattern}, g.path, g.directory), g.excluded) << g.pattern << " " << g.path;

  // Without an index.html the launcher would open a missing page; with a
  // start address the payload carries no archive, so that it shows that.
  fs::path site = make_app("site", {{"readme.txt", "x"}});
  ASSERT_EQ(pack({u(site), "-o", u(exe), "--launcher", u(launcher), "--start-url", "https://example.org/"}), exit_done);
  EXPECT_NE(err.find("no files are packed; the launcher will show https://example.org/"), std::string::npos) << err;
  std::string packed = read_bytes(exe);
  trailer_layout trailer = find_trailer(memory_source(packed));
  EXPECT_TRUE(trailer.sound);
  EXPECT_EQ(trailer.archive_length, 0);
}

TEST_F(Packing, InspectReadsThePayloadAsTheLauncherWould) {
  fs::path exe = dir / "out.exe";
  ASSERT_EQ(pack({u(make_app("app")), "-o", u(exe), "--launcher", u(launcher), "--title", "\xE6\x97\xA5"}), exit_done);
  ASSERT_EQ(pack({"--inspect", u(exe)}), exit_done) << out;
  for (const char* line : {"executable: 3002 bytes\n", "  WindowTitle         \"\xE6\x97\xA5\"\n",
                           "  StartURL            \"#\"\n", "  RememberWindow      \"0\"\n", "       70015  js/app.js\n",
                           "           -  empty/\n",
                           "  7 files, 70.2 kB unpacked\n", "payload: sound\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;

  // Not a packed app, which is not a damaged one.
  EXPECT_EQ(pack({"--inspect", u(launcher)}), exit_not_packed);
  EXPECT_NE(out.find("not a packed app: a Windows executable without a payload (the file does not end with \"WAPP\")"),
            std::string::npos)
      << out;
  write_bytes(dir / "notes.txt", "just text");
  EXPECT_EQ(pack({"--inspect", u(dir / "notes.txt")}), exit_not_packed);
  EXPECT_EQ(out, u(dir / "notes.txt") + ": 9 bytes\nnot a packed app: the file is neither a Windows executable nor a "
                 "Linux program\n");

  // Settings the launcher would misread are not sound, however they got there.
  std::string misread = "{\"WindowWidth\":\"abc\",\"Resizable\":\"yes\",\"AppName\":\"X\"}";
  payload_parts good = split_payload(read_bytes(exe));
  write_bytes(dir / "misread.exe", good.executable + trailer_bytes(misread, good.zip));
  EXPECT_EQ(pack({"--inspect", u(dir / "misread.exe")}), exit_failed);
  for (const char* line : {"  AppName             \"X\"\n",
                           "problem: WindowWidth \"abc\": the launcher misreads it (it wants a whole number from 1 to 32767)\n",
                           "problem: Resizable \"yes\": the launcher misreads it (it wants \"1\" or \"0\" (or true or false))\n",
                           "payload: not sound: the launcher would not read the app as it was packed\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;

  // A settings document the launcher cannot parse, and a damaged archive.
  std::string bytes = read_bytes(exe);
  payload_parts parts = split_payload(bytes);
  std::string zip = parts.zip;
  zip[zip.find("js/app.js") + 40] ^= 0x55;
  write_bytes(dir / "bad.exe", parts.executable + "{\"WindowTitle\" 1}" + length_field(17) + zip +
                                   length_field((int64_t)zip.size()) + "WAPP");
  EXPECT_EQ(pack({"--inspect", u(dir / "bad.exe")}), exit_failed);
  EXPECT_NE(out.find("problem: the settings do not parse (line 1, column 16: syntax error while parsing object separator - "
                     "unexpected number literal; expected ':')"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("problem: js/app.js: its data is damaged"), std::string::npos) << out;
  EXPECT_NE(out.find("payload: damaged\n"), std::string::npos) << out;
  // A document that only launcher.exe's reader takes is named for what it is.
  write_bytes(dir / "zero.exe", parts.executable + trailer_bytes("{\"WindowWidth\": 01}", parts.zip));
  EXPECT_EQ(pack({"--inspect", u(dir / "zero.exe")}), exit_failed);
  EXPECT_NE(out.find("problem: the settings are read differently by the two launchers: the Windows program takes them "
                     "(its reader allows leading zeros, control characters and lone surrogates in strings, and bytes "
                     "that are no UTF-8) and opens its window, the Linux program refuses them (line 1, column 18: "),
            std::string::npos)
      << out;
}

TEST_F(Packing, ALinuxLauncherCarriesTheSamePayloadAndIsMadeExecutable) {
  fs::path app = make_app("app"), program = dir / "app-linux", repacked = dir / "again";
  // --target linux takes the Linux launcher beside the packer, here dir.
  write_bytes(dir / "launcher", linux_launcher_bytes());
#ifndef _WIN32
  mode_t umask_before = umask(077);
#endif
  ASSERT_EQ(pack({u(app), "-o", u(program), "--target", "linux", "--title", "T"}), exit_done) << err;
  ASSERT_EQ(pack({u(app), "-o", u(repacked), "--launcher", u(program), "--title", "T"}), exit_done) << err;
#ifndef _WIN32
  umask(umask_before);
  EXPECT_EQ(fs::status(program).permissions() & fs::perms::mask, (fs::perms)0755);
#endif
  ASSERT_EQ(pack({u(app), "-o", u(dir / "app.exe"), "--launcher", u(launcher), "--title", "T"}), exit_done) << err;
  std::string bytes = read_bytes(program);
  EXPECT_TRUE(bytes == read_bytes(repacked));  // repacked, not stacked
  payload_parts linux_parts = split_payload(bytes), windows_parts = split_payload(read_bytes(dir / "app.exe"));
  EXPECT_TRUE(linux_parts.executable == linux_launcher_bytes());
  // The same settings; only the spaces that align the payload after each launcher differ.
  auto settings = [](std::string json) { return json.erase(json.find_last_not_of(' ') + 1); };
  EXPECT_EQ(settings(linux_parts.json), settings(windows_parts.json));
  EXPECT_TRUE(linux_parts.zip == windows_parts.zip);
  ASSERT_EQ(pack({"--inspect", u(program)}), exit_done) << out;
  for (const char* line : {"executable: 2020 bytes (a Linux program)\n", "  WindowTitle         \"T\"\n", "payload: sound\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

// --target both from one run, into folders made for it; a node_modules
// inside is named before packing; and --inspect of many entries shows them
// by folder unless --list asks for each.
TEST_F(Packing, BothSystemsIntoANewFolderWithBigFoldersNamedAndListedByFolder) {
  file_list files = sample_files;
  for (int i = 0; i < 60; i++) files.push_back({"node_modules/pkg" + std::to_string(i % 3) + "/f" + std::to_string(i), "xx"});
  fs::path app = make_app("app", files);
  write_bytes(dir / "launcher", linux_launcher_bytes());
  ASSERT_EQ(pack({u(app), "-o", u(dir / "new" / "deeper" / "App.exe"), "--target", "both"}), exit_done) << err;
  EXPECT_EQ(err, "wapp-pack: warning: node_modules/ (60 files, 120 B) goes into the app; if the app does not load it, "
                 "leave it out: --exclude node_modules/\n");
  EXPECT_EQ(out.rfind(u(dir / "new" / "deeper" / "App.exe") + ": 67 files", 0), 0u) << out;
  EXPECT_NE(out.find(u(dir / "new" / "deeper" / "App") + ": 67 files"), std::string::npos) << out;
  std::string windows = read_bytes(dir / "new" / "deeper" / "App.exe"), linux = read_bytes(dir / "new" / "deeper" / "App");
  EXPECT_TRUE(split_payload(windows).zip == split_payload(linux).zip);
  EXPECT_EQ(program_kind_of(memory_source(linux)), program_kind::linux_elf);

  ASSERT_EQ(pack({"--inspect", u(dir / "new" / "deeper" / "App")}), exit_done) << out;
  for (const char* line : {"  78 entries, by folder (--list shows each):\n", "         120  node_modules/  (60 files)\n",
                           "       70015  js/  (1 file)\n", "           0  empty.txt\n", "  67 files, 70.3 kB unpacked\n",
                           "payload: sound\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  EXPECT_EQ(out.find("node_modules/pkg1/f4"), std::string::npos);
  ASSERT_EQ(pack({"--inspect", u(dir / "new" / "deeper" / "App.exe"), "--list"}), exit_done) << out;
  EXPECT_NE(out.find("           2  node_modules/pkg1/f4\n"), std::string::npos) << out;
  // A refusal takes away the folders it made.
  EXPECT_EQ(pack({u(app), "-o", u(dir / "other" / "App.exe"), "--level", "0"}), exit_done);
  part_limit = 1000;
  EXPECT_EQ(pack({u(app), "-o", u(dir / "again" / "App.exe")}), exit_refused);
  EXPECT_FALSE(fs::exists(dir / "again"));
}

TEST_F(Packing, HelpAndVersion) {
  EXPECT_EQ(pack({"--help"}), exit_done);
  EXPECT_EQ(out, usage_text);
  for (const char* version : {"--version", "-v", "-V"}) {
    EXPECT_EQ(pack({version}), exit_done);
    EXPECT_EQ(out, version_text);
  }
}

}  // namespace
