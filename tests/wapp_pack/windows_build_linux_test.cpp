// The Linux packer against the Windows one: the same folder gives the same
// payload, and the icon our own resource writer puts in is the one Windows'
// loader finds. Needs the Windows build tree (WAPP_CROSS_BUILD) and Wine.
#include <cstdio>

#include "packer_test_support.h"

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

TEST_F(WindowsBuild, PacksTheSameFolderIntoTheSamePayload) {
  fs::path app = make_app("app");
  write_bytes(dir / "app.ico", make_icon_file({16, 32}));
  std::string output;
  for (bool icon : {false, true}) {
    SCOPED_TRACE(icon ? "with --icon" : "without --icon");
    std::vector<std::string> linux_args = {u(app), "-o", u(dir / "linux.exe"), "--launcher", u(launcher),
                                           "--title", "Caf\xC3\xA9", "--resizable", "--level", "9"};
    std::vector<std::string> windows_args = {wine_path(app), "-o", wine_path(dir / "windows.exe"), "--launcher",
                                             wine_path(launcher), "--title", "Caf\xC3\xA9", "--resizable", "--level", "9"};
    if (icon) {
      linux_args.insert(linux_args.end(), {"--icon", u(dir / "app.ico")});
      windows_args.insert(windows_args.end(), {"--icon", wine_path(dir / "app.ico")});
    }
    ASSERT_EQ(pack(linux_args), exit_done) << err;
    ASSERT_EQ(wine(cross / "tools" / "wapp-pack" / "wapp-pack.exe", windows_args, output), exit_done) << output;
    std::string linux_bytes = read_bytes(dir / "linux.exe"), windows_bytes = read_bytes(dir / "windows.exe");
    payload_parts linux_parts = split_payload(linux_bytes), windows_parts = split_payload(windows_bytes);
    EXPECT_TRUE(linux_parts.json == windows_parts.json);
    EXPECT_TRUE(linux_parts.zip == windows_parts.zip);
    // Without an icon to change, the executables are the same too.
    if (!icon) {
      EXPECT_TRUE(linux_bytes == windows_bytes);
    }
  }
  // The Linux build's icon, loaded by Windows' own LoadImageW.
  for (int size : {16, 32}) {
    EXPECT_EQ(wine(cross / "tests" / "icon_probe.exe", {wine_path(dir / "linux.exe"), std::to_string(size)}, output), 0);
    EXPECT_EQ(output, expected_icon_pixels(size));
  }
  // And the edited program still starts.
  EXPECT_EQ(wine(dir / "linux.exe", {}, output), 0);
}

}  // namespace
