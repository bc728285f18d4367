// The round trip through the code that will read the packer's output: the
// launcher's trailer and settings readers and the runtime's pack reader.
#include <windows.h>

#include "launcher/payload_trailer.h"
#include "launcher/settings.h"
#include "packer_test_support.h"
#include "runtime/core/files.h"
#include "runtime/json/json.h"
#include "runtime/pack/pack.h"
#include "support/launcher_readers.h"
#include "support/runtime_environment.h"

namespace {

class LauncherReaders : public packer_test {
 protected:
  static void SetUpTestSuite() { start_launcher_readers(); }
  static void TearDownTestSuite() { stop_launcher_readers(); }
};

TEST_F(LauncherReaders, GiveBackEveryFileAndTheTenSettings) {
  fs::path exe = dir / "app.exe";
  ASSERT_EQ(pack({u(make_app("app")), "-o", u(exe), "--launcher", u(launcher), "--title", "Caf\xC3\xA9 \xF0\x9F\x98\x80",
                  "--width", "1024", "--height", "700", "--start-url", "https://example.org/?a=1&b=\"2\"",
                  "--always-on-top", "--no-minimize", "--no-maximize", "--fullscreen", "--frameless", "--resizable"}),
            exit_done)
      << err;

  payload_record payload = read_payload_trailer_of(exe.c_str());
  ASSERT_GT(payload.json_length, 0);
  ASSERT_GT(payload.archive_length, 0);
  string_var text;
  int64_t start = accumulator.offset;
  settings_document_text(payload.json_block, payload.json_length, start);
  text.store(start);
  ASSERT_NE(parse_json(0, text.c_str()), 0);
  launcher_settings settings{};
  read_launcher_settings(json_root(0), settings);
  EXPECT_EQ(settings.window_width, 1024);
  EXPECT_EQ(settings.window_height, 700);
  EXPECT_STREQ(settings.window_title.c_str(), L"Caf\u00E9 \U0001F600");
  EXPECT_STREQ(settings.start_address.c_str(), L"https://example.org/?a=1&b=\"2\"");
  EXPECT_EQ(settings.always_on_top, 1);
  EXPECT_EQ(settings.show_minimize_button, 0);
  EXPECT_EQ(settings.show_maximize_button, 0);
  EXPECT_EQ(settings.fullscreen, 1);
  EXPECT_EQ(settings.frameless, 1);
  EXPECT_EQ(settings.resizable, 1);

  // Unpacked the way the launcher does it: one folder level per entry.
  fs::path zip = dir / "webapp" / "webapp.zip";
  write_bytes(zip, std::string((const char*)payload.archive_block, payload.archive_length));
  ASSERT_NE(open_pack(1, zip.c_str(), zip_plugin_id), 0);
  int entries = 0;
  while (next_pack_entry(1)) {
    std::wstring name;
    {
      text_scope scope;
      name = pack_entry_name(1, scope.start());
    }
    fs::path target = zip.parent_path() / name;
    if (name.ends_with(L'/')) CreateDirectoryW(target.c_str(), nullptr);
    int32_t written = unpack_entry_to_file(1, target.c_str());
    EXPECT_EQ(written, name.ends_with(L'/') ? -1 : (int32_t)fs::file_size(target)) << u(target);
    entries++;
  }
  close_pack(1);
  EXPECT_EQ(entries, 14);
  for (const auto& [name, data] : sample_files) EXPECT_TRUE(read_bytes(zip.parent_path() / path_of(name)) == data) << name;
  EXPECT_TRUE(fs::is_directory(zip.parent_path() / "empty"));
  release_payload_trailer(payload);
}

}  // namespace
