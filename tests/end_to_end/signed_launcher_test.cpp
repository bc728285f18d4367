// A packed launcher signed with osslsigncode and a throw-away self-signed
// certificate made here: the signature holds and covers the web app, the
// signed launcher runs and shows its app, and the packer repacks it only
// without its signature.
#include "launcher_driver.h"
#include "support/unix_command.h"

namespace {

class SignedLauncher : public end_to_end_test {
 protected:
  int sh(const std::string& command, std::string& output) { return run_unix_command(command, root, output); }
  static std::string word(const fs::path& path) { return shell_word(unix_path(path)); }
};

TEST_F(SignedLauncher, VerifiesRunsAndCoversItsWebApp) {
  if (unix_path(root).empty()) GTEST_SKIP() << "openssl and osslsigncode are run through Wine";
  const std::string page = "<!doctype html><title>Signed</title><script src=js/app.js></script>";
  fs::path app = root / "app", packed = bin / "packed.exe", signed_exe = bin / "signed.exe";
  fs::create_directories(app / "js");
  write_file(app / "index.html", page);
  write_file(app / "js" / "app.js", "document.body.textContent = 'signed'");
  std::string output;
  // Stored, not deflated: the page's bytes lie in the file as they are. From
  // file://, whose page the fake holds open as a browser would.
  const std::vector<fs::path> options = {"--title", "Signed", "--level", "0", "--file-url"};
  std::vector<fs::path> first = {app, "-o", packed, "--launcher", built_launcher()};
  first.insert(first.end(), options.begin(), options.end());
  ASSERT_EQ(run_packer(first, output), 0) << output;
  ASSERT_EQ(sh("openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=wapp-test -days 2 -keyout key.pem -out cert.pem",
               output),
            0)
      << output;
  ASSERT_EQ(sh("osslsigncode sign -certs cert.pem -key key.pem -h sha256 -in " + word(packed) + " -out " +
                   word(signed_exe),
               output),
            0)
      << output;
  EXPECT_EQ(sh("osslsigncode verify -CAfile cert.pem -in " + word(signed_exe), output), 0) << output;
  // Right before the table, with no padding in between.
  ASSERT_EQ(run_packer({"--inspect", signed_exe}, output), 0) << output;
  EXPECT_NE(output.find("the payload lies inside the signed range"), std::string::npos) << output;
  EXPECT_EQ(output.find("padding"), std::string::npos) << output;

  {
    launcher_run run = start(signed_exe);
    ASSERT_TRUE(run.wait_for_window(L"Signed"));
    // The browser shows the unpacked app, which it holds open; the window
    // comes before the unpacking.
    std::vector<fake_line> lines = run.wait_for_fake_line("document_file");
    EXPECT_EQ(read_file(temp / "webapp" / "index.html"), page);
    EXPECT_EQ(fake_values(lines, "navigate"), (std::vector<std::string>{app_address()}));
    EXPECT_EQ(last_fake_value(lines, "document_file"), "held");
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
    EXPECT_TRUE(web_app_folders().empty());
  }

  // One byte of the web app changed after signing.
  std::string tampered = read_file(signed_exe);
  size_t at = tampered.find(page);
  ASSERT_NE(at, std::string::npos);
  tampered[at + page.find("Signed")] = 's';
  write_file(bin / "tampered.exe", tampered);
  EXPECT_NE(sh("osslsigncode verify -CAfile cert.pem -in " + word(bin / "tampered.exe"), output), 0) << output;

  // Repacked only without the signature, which leaves the launcher as it
  // was before signing but for its checksum (under the same file name,
  // which its version resource holds).
  fs::create_directories(bin / "again");
  fs::path repacked = bin / "again" / "packed.exe";
  std::vector<fs::path> repack = {app, "-o", repacked, "--launcher", signed_exe};
  repack.insert(repack.end(), options.begin(), options.end());
  EXPECT_EQ(run_packer(repack, output), 2);
  EXPECT_NE(output.find("sign after packing"), std::string::npos) << output;
  EXPECT_FALSE(fs::exists(repacked));
  repack.push_back("--strip-signature");
  ASSERT_EQ(run_packer(repack, output), 0) << output;
  std::string expected = read_file(packed);
  uint32_t pe = *(const uint32_t*)&expected[60];
  expected.replace(pe + 24 + 64, 4, 4, '\0');
  EXPECT_TRUE(read_file(repacked) == expected);
}

}  // namespace
