// --icon checked with Windows' own loader, on a test launcher whose
// resources are like the launcher's.
#include <windows.h>

#include "icon_pixels.h"
#include "icon_resources.h"
#include "packer_test_support.h"

namespace {

class Icon : public packer_test {
 protected:
  void SetUp() override {
    packer_test::SetUp();
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    launcher = fs::path(self).parent_path() / "test_launcher.exe";
  }

  // Icon 1 at both sizes, group 2 and the manifest as they were, languages
  // kept, and the program still starts.
  void expect_new_icon(const fs::path& exe, const std::vector<int>& sizes) {
    SCOPED_TRACE(u(exe));
    for (int size : sizes) EXPECT_EQ(icon_one_pixels(exe, size), expected_icon_pixels(size));
    HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceExW(module, RT_GROUP_ICON, MAKEINTRESOURCEW(1), 0x409), nullptr);
    EXPECT_NE(FindResourceExW(module, RT_GROUP_ICON, MAKEINTRESOURCEW(2), 0x409), nullptr);
    auto small = (HICON)LoadImageW(module, MAKEINTRESOURCEW(2), IMAGE_ICON, 1, 1, 0);
    EXPECT_NE(small, nullptr);  // its image was shared with the old icon 1
    DestroyIcon(small);
    HRSRC manifest = FindResourceExW(module, RT_MANIFEST, MAKEINTRESOURCEW(1), 0x409);
    ASSERT_NE(manifest, nullptr);
    std::string text((const char*)LockResource(LoadResource(module, manifest)), SizeofResource(module, manifest));
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    FreeLibrary(module);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
};

TEST_F(Icon, AnIconFileBecomesIconOne) {
  write_bytes(dir / "app.ico", make_icon_file({16, 32}));
  fs::path exe = dir / "app.exe";
  ASSERT_EQ(pack({u(make_app("app")), "-o", u(exe), "--launcher", u(launcher), "--icon", u(dir / "app.ico")}),
            exit_done)
      << err;
  expect_new_icon(exe, {16, 32});
  ASSERT_EQ(pack({"--inspect", u(exe)}), exit_done) << out;
  EXPECT_NE(out.find("  7 files,"), std::string::npos) << out;
}

// PNGs give every size, each scaled from the smallest PNG at least as
// large, and the version resource says the app's name and version.
TEST_F(Icon, PngsAndTheAppsOwnVersion) {
  fs::path exe = dir / "Notes.exe";
  std::vector<std::string> args = {u(make_app("app")), "-o", u(exe), "--launcher", u(launcher), "--icon",
                                   u(solid_png("icon.png", 300, 0xCC2200)), "--icon", u(solid_png("32.png", 32, 0x0044AA))};
  args.insert(args.end(), identity_options.begin(), identity_options.end());
  ASSERT_EQ(pack(args), exit_done) << err;
  EXPECT_EQ(icon_one_sizes(exe), "16 20 24 32 40 48 64 256");
  for (int size : {16, 32}) EXPECT_EQ(icon_one_pixels(exe, size), solid_icon_pixels(size, 0x0044AA)) << size;
  for (int size : {40, 48, 256}) EXPECT_EQ(icon_one_pixels(exe, size), solid_icon_pixels(size, 0xCC2200)) << size;
  EXPECT_EQ(version_texts(exe), expected_version_texts("Notes"));
  ASSERT_EQ(pack({"--inspect", u(exe)}), exit_done) << out;
  EXPECT_NE(out.find("icon: 16, 20, 24, 32, 40, 48, 64 and 256 pixels\nversion: 2.5.1.0\n  CompanyName         \"ACME\"\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("  AppName             \"Caf\xC3\xA9 Notes\"\n  AppVersion          \"2.5.1-beta\"\n"), std::string::npos);
}

// The new tree takes the old one's place, whatever it weighs: no section
// is added and nothing of the old one stays.
TEST_F(Icon, TheResourcesAreRewrittenInPlace) {
  std::string image = read_bytes(launcher), problem;
  std::vector<icon_image> images;
  auto replace_icon = [&](std::string& image) {
    std::vector<resource_item> items;
    return read_pe_resources(image, items, problem) &&
           update_resources_in_image(image, plan_icon_change(items, images), problem);
  };
  ASSERT_TRUE(read_icon_file(make_icon_file({16, 32, 48}), images, problem));
  ASSERT_TRUE(replace_icon(image)) << problem;
  write_bytes(dir / "once.exe", image);
  expect_new_icon(dir / "once.exe", {16, 32, 48});
  std::string original = read_bytes(launcher);
  size_t pe = get32(original, 60);
  EXPECT_EQ(get16(image, pe + 6), get16(original, pe + 6));
  EXPECT_EQ(image.find(".oldrsrc"), std::string::npos);
  size_t size = image.size();
  ASSERT_TRUE(read_icon_file(make_icon_file({24}), images, problem));
  ASSERT_TRUE(replace_icon(image)) << problem;
  EXPECT_LT(image.size(), size);
  write_bytes(dir / "twice.exe", image);
  expect_new_icon(dir / "twice.exe", {24});

  // A signed launcher would lose its signature: refused on both ways.
  std::string signed_image = read_bytes(launcher);
  signed_image[pe + 24 + 112 + 8 * 4 + 4] = 8;  // a certificate table size
  EXPECT_FALSE(replace_icon(signed_image));
  EXPECT_EQ(problem, signed_problem);
  write_bytes(dir / "signed.exe", signed_image);
  write_bytes(dir / "app.ico", make_icon_file({16}));
  EXPECT_EQ(pack({u(make_app("app")), "-o", u(dir / "out.exe"), "--launcher", u(dir / "signed.exe"), "--icon",
                  u(dir / "app.ico")}),
            exit_refused);
  EXPECT_NE(err.find("sign after packing"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(dir / "out.exe"));
}

}  // namespace
