// VirtualHost end to end: real launchers with the fake WebView2 runtime, and
// what each one's browser was asked to open and was answered from the archive.
#include "launcher_driver.h"
#include "support/probe_app.h"

namespace {

using LauncherVirtualHost = end_to_end_test;
using strings = std::vector<std::string>;

// A bundler's output: the page loads its code as a module.
entry_list module_app() {
  return {{L"assets/", ""},
          {L"assets/index-4f2a.js", "import {start} from './start-9c1e.js'; start()"},
          {L"assets/start-9c1e.js", "export function start() { fetch('data.json') }"},
          {L"index.html", "<!doctype html><script type=module src=/assets/index-4f2a.js></script>"}};
}

// The reference settings with a VirtualHost member of the given JSON value.
std::string with_virtual_host(const std::string& title, const std::string& json_value) {
  std::string document = settings_document(title);
  return document.insert(document.size() - 3, ",\r\n  \"VirtualHost\": " + json_value);
}

// The fake's log line for a load of these bytes, with the type it is served as.
std::string fetched(const std::string& address, int status, const std::string& type, const std::string& bytes) {
  return address + " " + std::to_string(status) + " " + type + " " + std::to_string(bytes.size()) + " " +
         std::to_string(bytes.size()) + " " + fake_checksum(bytes);
}

// Two launchers at once, each serving its own archive and nothing else: the
// page, its modules, its JSON and its worker's script come through the
// launcher with their types; a missing file and a damaged entry are 404; a
// range of bytes is 206 with exactly those bytes, a HEAD has no body;
// nothing is unpacked, no folder made.
TEST_F(LauncherVirtualHost, EachServesItsArchiveWithNoFolder) {
  entry_list app = module_app();
  app.push_back({L"assets/data.json", "{\"colour\": \"green\"}"});
  app.push_back({L"assets/worker-77aa.js", "onmessage = (e) => postMessage(e.data * 2)"});
  app.push_back({L"assets/damaged.js", std::string(2000, 'd')});
  std::string archive = archive_of(app);
  archive[archive.rfind("assets/damaged.js") - 46 + 16] ^= 0x5A;  // its checksum in the central directory
  page_actions page(root / "page.txt",
                    "fetch assets/index-4f2a.js\nfetch assets/start-9c1e.js\nfetch assets/data.json\n"
                    "fetch assets/worker-77aa.js\nfetch assets/missing.js\nfetch assets/damaged.js\n"
                    "fetch bytes=2-7 assets/data.json\nfetch HEAD assets/data.json\n");
  launcher_run first = start(make_launcher(L"first", with_virtual_host("First", "\"app.wapp\""), archive));
  ASSERT_TRUE(first.wait_for_window(L"First"));
  launcher_run second = start(make_launcher(L"second", with_virtual_host("Second", "\"My-App.example\""), archive));
  ASSERT_TRUE(second.wait_for_window(L"Second"));
  struct {
    launcher_run& run;
    std::string host;  // as the settings have it
  } runs[] = {{first, "app.wapp"}, {second, "My-App.example"}};
  for (auto& r : runs) {
    SCOPED_TRACE(r.host);
    std::vector<fake_line> lines =
        r.run.wait_for_fake_line("fetched", "https://" + r.host + "/assets/data.json 200 application/json 19 0 " + fake_checksum(""));
    std::string base = "https://" + r.host + "/";
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{base + "index.html"}));
    std::string lowered = r.host == "app.wapp" ? r.host : "my-app.example";
    EXPECT_EQ(fake_values(lines, "resource_filter"), (strings{"https://" + lowered + "/* 0"}));
    EXPECT_LT(find_fake_line(lines, "resource_filter"), find_fake_line(lines, "navigate")) << "served after navigating";
    EXPECT_EQ(fake_values(lines, "fetched"),
              (strings{fetched(base + "index.html", 200, "text/html", app[3].second),
                       fetched(base + "assets/index-4f2a.js", 200, "text/javascript", app[1].second),
                       fetched(base + "assets/start-9c1e.js", 200, "text/javascript", app[2].second),
                       fetched(base + "assets/data.json", 200, "application/json", app[4].second),
                       fetched(base + "assets/worker-77aa.js", 200, "text/javascript", app[5].second),
                       fetched(base + "assets/missing.js", 404, "text/plain", ""),
                       fetched(base + "assets/damaged.js", 404, "text/plain", ""),
                       fetched(base + "assets/data.json", 206, "application/json", "colour"),
                       base + "assets/data.json 200 application/json 19 0 " + fake_checksum("")}));
    EXPECT_TRUE(fake_values(lines, "virtual_host").empty()) << "no folder is mapped";
  }
  EXPECT_TRUE(web_app_folders().empty()) << "nothing is unpacked";
  first.close();
  second.close();
  EXPECT_EQ(first.wait_for_exit(), 0u);
  EXPECT_EQ(second.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
}

// The probe app packed as users pack it: by default from app.wapp, and from
// a host given in mixed case, which the packer writes and the browser is
// given in lower case. (The fake runs no script: the probe's checks run on
// Linux.)
TEST_F(LauncherVirtualHost, ThePackerServesEveryAppFromItsHostInLowerCase) {
  fs::path app = root / "probe";
  for (const auto& [name, bytes] : probe_app_files("file:///C:/outside/")) {
    fs::create_directories((app / name).parent_path());
    write_file(app / name, bytes);
  }
  struct {
    const wchar_t* title;
    std::vector<fs::path> options;
    std::string host;
  } runs[] = {{L"Probe", {}, "app.wapp"}, {L"Probe mixed", {"--virtual-host", "Mixed.Case"}, "mixed.case"}};
  for (const auto& r : runs) {
    SCOPED_TRACE(r.host);
    fs::path program = bin / (std::wstring(r.title) + L".exe");
    std::vector<fs::path> args = {app, "-o", program, "--launcher", built_launcher(), "--title", r.title};
    args.insert(args.end(), r.options.begin(), r.options.end());
    std::string output;
    ASSERT_EQ(run_packer(args, output), 0) << output;
    launcher_run run = start(program);
    ASSERT_TRUE(run.wait_for_window(r.title));
    std::vector<fake_line> lines = run.wait_for_fake_line("fetched");
    EXPECT_EQ(fake_values(lines, "resource_filter"), (strings{"https://" + r.host + "/* 0"}));
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{"https://" + r.host + "/index.html"}));
    std::string page = read_file(app / "index.html");
    EXPECT_EQ(fake_values(lines, "fetched"), (strings{fetched("https://" + r.host + "/index.html", 200, "text/html", page)}));
    EXPECT_TRUE(web_app_folders().empty());
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_TRUE(web_app_folders().empty());
}

TEST_F(LauncherVirtualHost, OnlyAHostNameServesTheArchiveAndAnythingElseOpensTheFileAddress) {
  struct {
    const char* title;
    std::string settings;
    const wchar_t* failure;
    bool with_app;
    std::string address;  // empty: the unpacked page's file:// address
  } cases[] = {
      // Every host name rule is tested on its own; here, that the launcher heeds it.
      {"No key", settings_document("No key"), L"", true, ""},
      {"A scheme", with_virtual_host("A scheme", "\"https://app.wapp\""), L"", true, ""},
      {"A port", with_virtual_host("A port", "\"app.wapp:8080\""), L"", true, ""},
      {"Not a string", with_virtual_host("Not a string", "7"), L"", true, ""},
      // WebResourceRequested is as old as WebView2: the archive is served all the same.
      {"An older runtime", with_virtual_host("An older runtime", "\"app.wapp\""), L"no_webview_3", true,
       "https://app.wapp/index.html"},
      // Nothing unpacked, nothing to serve: the start address as always.
      {"No archive", with_virtual_host("No archive", "\"app.wapp\""), L"", false, "index.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    SetEnvironmentVariableW(fake_fail_variable, *c.failure ? c.failure : nullptr);
    launcher_run run = start(make_launcher(title, c.settings, c.with_app ? module_app() : entry_list{}));
    SetEnvironmentVariableW(fake_fail_variable, nullptr);
    ASSERT_TRUE(run.wait_for_window(title));
    std::vector<fake_line> lines = run.wait_for_fake_line("navigate");
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{c.address.empty() ? app_address() : c.address}));
    EXPECT_TRUE(fake_values(lines, "virtual_host").empty());
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_TRUE(web_app_folders().empty());
}

}  // namespace
