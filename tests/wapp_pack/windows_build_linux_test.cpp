// The Linux packer against the Windows one: the same folder gives the same
// payload, and the icon our own resource writer puts in is the one Windows'
// loader finds. Needs the Windows build tree (WAPP_CROSS_BUILD) and Wine.
#include <cstdio>

#include "packer_test_support.h"
#include "payload/byte_fields.h"

namespace {

// A path of this machine as Wine's drive Z: shows it.
std::string wine_path(const fs::path& path) {
  std::string text = "Z:" + utf8_of(fs::absolute(path));
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

class WindowsBuild : public packer_test {
 protected:
  void SetUp() override {
    if (std::string(WAPP_CROSS_BUILD).empty()) GTEST_SKIP() << "no Windows build tree given (WAPP_CROSS_BUILD)";
    packer_test::SetUp();
    cross = WAPP_CROSS_BUILD;
    launcher = cross / "tests" / "test_launcher.exe";
    ASSERT_TRUE(fs::exists(launcher));
  }

  // Runs a Windows program of the cross build under Wine; its exit status,
  // and its standard output in output.
  int wine(const fs::path& program, const std::vector<std::string>& args, std::string& output) {
    std::string command = std::string("'") + WAPP_WINE_RUN + "' '" + u(program) + "'";
    for (const auto& arg : args) command += " '" + arg + "'";
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    output.clear();
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path cross;
};

// Both builds write the same program, resources and payload alike, and what
// Windows reads from it is the app's: its version and icon, with nothing of
// the launcher's own resources left beside them.
TEST_F(WindowsBuild, PacksTheSameFolderIntoTheSameProgram) {
  fs::path app = make_app("app");
  write_bytes(dir / "app.ico", make_icon_file({16, 32}));
  solid_png("icon.png", 512, 0x3366FF);
  fs::create_directories(dir / "linux");
  fs::create_directories(dir / "windows");
  std::string output;
  for (const char* icon : {"app.ico", "icon.png"}) {
    SCOPED_TRACE(icon);
    std::vector<std::string> linux_args = {u(app), "-o", u(dir / "linux" / "app.exe"), "--launcher", u(launcher),
                                           "--title", "Caf\xC3\xA9", "--resizable", "--level", "9", "--icon", u(dir / icon)};
    std::vector<std::string> windows_args = {wine_path(app), "-o", wine_path(dir / "windows" / "app.exe"), "--launcher",
                                             wine_path(launcher), "--title", "Caf\xC3\xA9", "--resizable", "--level",
                                             "9", "--icon", wine_path(dir / icon)};
    for (auto* args : {&linux_args, &windows_args}) args->insert(args->end(), identity_options.begin(), identity_options.end());
    ASSERT_EQ(pack(linux_args), exit_done) << err;
    ASSERT_EQ(wine(cross / "tools" / "wapp-pack" / "wapp-pack.exe", windows_args, output), exit_done) << output;
    EXPECT_TRUE(read_bytes(dir / "linux" / "app.exe") == read_bytes(dir / "windows" / "app.exe"));
    EXPECT_EQ(wine(cross / "tests" / "icon_probe.exe", {wine_path(dir / "linux" / "app.exe"), "version"}, output), 0);
    EXPECT_EQ(output, expected_version_texts("app"));
    EXPECT_EQ(wine(cross / "tests" / "icon_probe.exe", {wine_path(dir / "linux" / "app.exe"), "sizes"}, output), 0);
    EXPECT_EQ(output, icon == std::string("app.ico") ? "16 32" : "16 20 24 32 40 48 64 256");
  }
  // The icon, loaded by Windows' own LoadImageW, scaled from the PNG; and the
  // edited program, its relocations moved behind the new resources, starts.
  for (int size : {16, 32, 256}) {
    EXPECT_EQ(wine(cross / "tests" / "icon_probe.exe", {wine_path(dir / "linux" / "app.exe"), std::to_string(size)}, output), 0);
    EXPECT_EQ(output, solid_icon_pixels(size, 0x3366FF));
  }
  EXPECT_EQ(wine(dir / "linux" / "app.exe", {}, output), 0);

  // The real launcher: its version texts name launcher.exe; a packed app's do not.
  const std::string wide_name("l\0a\0u\0n\0c\0h\0e\0r\0.\0e\0x\0e\0", 24);
  std::string real = read_bytes(cross / "launcher" / "launcher.exe");
  ASSERT_NE(real.find(wide_name), std::string::npos);
  ASSERT_EQ(pack({u(app), "-o", u(dir / "Notes.exe"), "--launcher", u(cross / "launcher" / "launcher.exe")}), exit_done)
      << err;
  std::string packed = split_payload(read_bytes(dir / "Notes.exe")).executable;
  EXPECT_EQ(packed.find(wide_name), std::string::npos);
  EXPECT_EQ(packed.find(".oldrsrc"), std::string::npos);
  size_t pe = get32(real, 60);
  EXPECT_EQ(get16(packed, pe + 6), get16(real, pe + 6)) << "no section added";
}

}  // namespace
