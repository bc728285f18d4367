// VirtualHost end to end: real launchers with the fake WebView2 runtime, and
// what each one's browser was asked to map and to open.
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

// Two launchers at once: the second unpacks into a folder of another name,
// and each serves its own.
TEST_F(LauncherVirtualHost, ServesExactlyTheFolderItUnpackedOverHttps) {
  launcher_run first = start(make_launcher(L"first", with_virtual_host("First", "\"app.wapp\""), module_app()));
  ASSERT_TRUE(first.wait_for_window(L"First"));
  launcher_run second =
      start(make_launcher(L"second", with_virtual_host("Second", "\"My-App.example\""), module_app()));
  ASSERT_TRUE(second.wait_for_window(L"Second"));
  struct {
    launcher_run& run;
    std::string host;
    std::wstring folder;
  } runs[] = {{first, "app.wapp", L"webapp"}, {second, "My-App.example", L"webapp-2"}};
  for (auto& r : runs) {
    SCOPED_TRACE(r.host);
    std::vector<fake_line> lines = r.run.wait_for_fake_line("served");
    std::string folder = utf8_of((temp / r.folder).wstring());
    EXPECT_EQ(fake_values(lines, "virtual_host"), (strings{r.host + " " + folder + " 1"}));
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{"https://" + r.host + "/index.html"}));
    EXPECT_EQ(fake_values(lines, "served"), (strings{"present " + folder + "\\index.html"}));
    EXPECT_LT(find_fake_line(lines, "virtual_host"), find_fake_line(lines, "navigate")) << "mapped after navigating";
  }
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
    std::vector<fake_line> lines = run.wait_for_fake_line("served");
    std::string folder = utf8_of((temp / "webapp").wstring());
    EXPECT_EQ(fake_values(lines, "virtual_host"), (strings{r.host + " " + folder + " 1"}));
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{"https://" + r.host + "/index.html"}));
    EXPECT_EQ(fake_values(lines, "served"), (strings{"present " + folder + "\\index.html"}));
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_TRUE(web_app_folders().empty());
}

TEST_F(LauncherVirtualHost, AnythingElseOpensTheFileAddressAsBefore) {
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
      {"An older runtime", with_virtual_host("An older runtime", "\"app.wapp\""), L"no_webview_3", true, ""},
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
