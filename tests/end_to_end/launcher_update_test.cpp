// launcher.exe updating itself through WinHTTP from a loopback server, its
// page played by the fake runtime: a folder that refuses the new file
// changes nothing; then the running program is renamed out of the way, the
// new one takes its name and starts, and the old file goes.
#include "end_to_end/launcher_driver.h"
#include "support/loopback_server.h"
#include "updates/app_update.h"

namespace {

class LauncherUpdate : public end_to_end_test {};

std::string request(int id, const std::string& method) {
  return "message https://app.wapp/index.html {\"wapp\":\"\",\"id\":" + std::to_string(id) + ",\"method\":\"" + method +
         "\",\"args\":{}}\n";
}

std::vector<std::string> replies(const std::vector<fake_line>& lines) { return fake_values(lines, "posted_json"); }

std::vector<fs::path> old_programs(const fs::path& folder) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().wstring().starts_with(L".upd.exe.old-")) found.push_back(entry.path());
  return found;
}

TEST_F(LauncherUpdate, TheRunningProgramIsReplacedOnlyWhereItsFolderTakesTheNewOne) {
  loopback_server server;
  update_public_key public_key;
  update_secret_key secret;
  ASSERT_TRUE(make_update_keys(public_key, secret));
  auto settings = [&](const std::string& version) {
    return settings_document("Upd " + version, {{"VirtualHost", "app.wapp"}, {"AppId", "upd"}, {"AppVersion", version},
                                                {"UpdateURL", server.url()},
                                                {"UpdateKey", base64_text(public_key.data(), public_key.size())}});
  };
  const fs::path program = make_launcher(L"upd", settings("1.0.0"), {{L"index.html", "<p>1</p>"}});
  const fs::path published = make_launcher(L"published", settings("2.0.0"), {{L"index.html", "<p>2</p>"}});
  const std::string old_bytes = read_file(program), new_bytes = read_file(published);
  sha256_digest digest;
  digest.add(new_bytes);
  update_manifest manifest{"upd", "Upd", "2.0.0", "faster", "2026-12-09T12:00:00Z",
                           {{"windows-x64", "upd-2.0.0.exe", new_bytes.size(), digest.hex()}}};
  const std::string manifest_text = update_manifest_text(manifest);
  update_signature signature = signature_of(manifest_text, secret);
  server.put("update.json", manifest_text);
  server.put("update.json.sig", base64_text(signature.data(), signature.size()));
  server.put("upd-2.0.0.exe", new_bytes);
  page_actions page(root / "page.txt", "wait 200\n" + request(1, "update.check") + "wait 1500\n" +
                                           request(2, "update.install") + "wait 2500\n" + request(3, "update.restart"));
  const std::string offer = R"({"wapp":true,"id":1,"result":{"version":"2.0.0","notes":"faster","date":"2026-12-09T12:00:00Z"}})";

  // A folder where the new file cannot be made (a folder stands at its name,
  // as a read-only folder refuses it): nothing changes, nothing is left.
  fs::create_directory(bin / ".upd.exe.update");
  {
    launcher_run run = start(program);
    ASSERT_TRUE(run.wait_for_window(L"Upd 1.0.0"));
    std::vector<fake_line> lines = run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":3,"error":"no update is installed: wapp.update.install() comes first"})");
    std::vector<std::string> got = replies(lines);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], offer);
    EXPECT_NE(got[1].find(R"("id":2,"error":"the program's folder )"), std::string::npos) << got[1];
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_EQ(read_file(program), old_bytes);
  EXPECT_TRUE(old_programs(bin).empty());
  fs::remove(bin / ".upd.exe.update");

  // The update: the running program is renamed, the new one put in its
  // place and started when the page asks.
  fs::remove(log_of(program));
  {
    launcher_run run = start(program);
    std::vector<fake_line> lines = run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":3,"result":null})");
    EXPECT_EQ(replies(lines), (std::vector<std::string>{offer, R"({"wapp":true,"id":2,"result":null})",
                                                       R"({"wapp":true,"id":3,"result":null})"}));
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_EQ(read_file(program), new_bytes);
  std::vector<fs::path> old = old_programs(bin);
  ASSERT_EQ(old.size(), 1u);
  EXPECT_EQ(read_file(old[0]), old_bytes);
  EXPECT_TRUE(GetFileAttributesW(old[0].c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(GetFileAttributesW(program.c_str()) & FILE_ATTRIBUTE_HIDDEN);

  // The new program runs, finds itself the newest, and the old file is gone
  // by the end of its run at the latest.
  HWND restarted = nullptr;
  for (int waited = 0; !restarted && waited < 30000; waited += 50) {
    restarted = FindWindowW(nullptr, L"Upd 2.0.0");
    if (!restarted) Sleep(50);
  }
  ASSERT_TRUE(restarted);
  DWORD id = 0;
  GetWindowThreadProcessId(restarted, &id);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  for (int waited = 0; waited < 30000; waited += 50) {
    std::vector<std::string> got = replies(read_fake_log(log_of(program).wstring()));
    if (std::find(got.begin(), got.end(), R"({"wapp":true,"id":1,"result":null})") != got.end()) break;
    Sleep(50);
  }
  PostMessageW(restarted, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
  CloseHandle(process);
  EXPECT_TRUE(old_programs(bin).empty());
  EXPECT_FALSE(fs::exists(bin / ".upd.exe.update"));
}

}  // namespace
