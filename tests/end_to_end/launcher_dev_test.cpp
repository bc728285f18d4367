// A dev program (wapp-pack dev's) on Windows, its page played by the fake
// runtime: the app's origin answered through WinHTTP from a loopback server
// (status, type and bytes as the server sent them, a request's headers
// passed on), a server that refuses gets the page a 502, and the page API
// answers as in a packed program.
#include <algorithm>

#include "end_to_end/launcher_driver.h"
#include "support/loopback_server.h"

#include <tlhelp32.h>

#include <thread>

namespace {

class LauncherDev : public end_to_end_test {};
using strings = std::vector<std::string>;

std::string fetched(const std::string& address, int status, const std::string& type, const std::string& bytes) {
  return address + " " + std::to_string(status) + " " + type + " " + std::to_string(bytes.size()) + " " +
         std::to_string(bytes.size()) + " " + fake_checksum(bytes);
}

TEST_F(LauncherDev, TheAppsOriginIsAnsweredByTheDevServer) {
  loopback_server server;
  const std::string page = "<p>dev</p>", data = "{\"a\": [1, 2, 3]}";
  server.put("index.html", page);
  server.put("data.json", data);
  const std::string own = "https://app.wapp/";
  page_actions actions(root / "page.txt", "wait 200\nfetch " + own + "data.json\nfetch " + own + "missing.txt\n" +
                                              "message " + own +
                                              R"( {"wapp":"","id":1,"method":"window.setTitle","args":{"text":"api"}})"
                                              "\n");
  auto dev_program = [&](const std::wstring& name, const std::string& dev_url) {
    return make_launcher(name, settings_document("Dev", {{"VirtualHost", "app.wapp"}, {"DevURL", dev_url}, {"AppId", "devapp"}}),
                         entry_list{});
  };
  launcher_run run = start(dev_program(L"dev", server.url()));
  run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":1,"result":null})");
  ASSERT_TRUE(run.find_window(L"api"));
  // The answers come as the server gives them, in any order.
  auto three_answers = [](launcher_run& r) {
    std::vector<std::string> got;
    for (int waited = 0; got.size() < 3 && waited < 30000; waited += 50, Sleep(50)) got = fake_values(r.fake_log(), "fetched");
    std::sort(got.begin(), got.end());
    return got;
  };
  EXPECT_EQ(three_answers(run), (strings{fetched(own + "data.json", 200, "application/json", data),
                                         fetched(own + "index.html", 200, "text/html", page),
                                         fetched(own + "missing.txt", 404, "-", "")}));
  std::vector<std::string> asked = server.asked();
  EXPECT_NE(std::find(asked.begin(), asked.end(), "/data.json"), asked.end());
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);

  // Nothing listens at the port any more: the page gets a 502 that says so.
  std::string closed;
  {
    loopback_server gone;
    closed = gone.url();
  }
  launcher_run refused = start(dev_program(L"refused", closed));
  std::vector<std::string> got = three_answers(refused);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_TRUE(got[0].starts_with(own + "data.json 502 text/html; charset=utf-8 ")) << got[0];
  ASSERT_TRUE(refused.find_window(L"api"));
  refused.close();
  EXPECT_EQ(refused.wait_for_exit(), 0u);
}

}  // namespace

namespace {

// Whether a process of that executable's name runs.
bool runs(const wchar_t* name) {
  HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{sizeof entry};
  bool found = false;
  for (BOOL more = Process32FirstW(all, &entry); more && !found; more = Process32NextW(all, &entry))
    found = _wcsicmp(entry.szExeFile, name) == 0;
  CloseHandle(all);
  return found;
}

// wapp-pack dev itself: the dev command in a job, the dev program's window,
// and when the window closes, the dev command and all it started ended.
TEST_F(LauncherDev, WappPackDevEndsTheDevCommandsJobWithTheWindow) {
  loopback_server server;
  server.put("index.html", "<p>dev</p>");
  std::thread closer([] {
    for (int waited = 0; waited < 30000; waited += 50, Sleep(50)) {
      if (HWND window = FindWindowW(nullptr, L"Proj (dev)"); window && runs(L"ping.exe")) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return;
      }
    }
  });
  std::string output;
  int status = run_packer({"dev", "--dev-url", server.url(), "--dev-command", "ping -n 60 127.0.0.1", "--launcher",
                           built_launcher(), "--title", "Proj"},
                          output);
  closer.join();
  EXPECT_EQ(status, 0) << output;
  EXPECT_FALSE(runs(L"ping.exe"));
}

}  // namespace
