// VirtualHost end to end: real launchers with the fake WebView2 runtime, and
// what each one's browser was asked to map and to open.
#include "launcher_driver.h"
#include "support/fake_runtime.h"

namespace {

using strings = std::vector<std::string>;

// The fake WebView2 runtime registered for these tests, each launcher's
// browser logged to a file of its own.
class LauncherVirtualHost : public end_to_end_test {
 protected:
  void SetUp() override {
    end_to_end_test::SetUp();
    ASSERT_FALSE(register_fake_runtime().empty());
  }
  void TearDown() override {
    SetEnvironmentVariableW(fake_log_variable, nullptr);
    unregister_fake_runtime();
    end_to_end_test::TearDown();
  }
  fs::path log_of(const fs::path& executable) const { return root / executable.stem().concat(".log"); }
  // The launcher inherits the log's name from this process.
  launcher_run start(const fs::path& executable) {
    SetEnvironmentVariableW(fake_log_variable, log_of(executable).c_str());
    return launcher_run(executable, temp);
  }
  // The log once it has a line with key, or what it has after the time-out.
  std::vector<fake_line> wait_for_fake_line(const fs::path& executable, const std::string& key) {
    std::vector<fake_line> lines;
    for (DWORD waited = 0; waited < launcher_timeout_ms; waited += 20) {
      lines = read_fake_log(log_of(executable).wstring());
      if (find_fake_line(lines, key) < lines.size()) break;
      Sleep(20);
    }
    return lines;
  }
  std::string app_address() const { return utf8_of(L"file://" + temp.wstring() + L"\\webapp/index.html"); }
};

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
  fs::path first_launcher = make_launcher(L"first", with_virtual_host("First", "\"app.wapp\""), module_app());
  launcher_run first = start(first_launcher);
  ASSERT_TRUE(first.wait_for_window(L"First"));
  fs::path second_launcher =
      make_launcher(L"second", with_virtual_host("Second", "\"My-App.example\""), module_app());
  launcher_run second = start(second_launcher);
  ASSERT_TRUE(second.wait_for_window(L"Second"));
  struct {
    fs::path launcher;
    std::string host;
    std::wstring folder;
  } runs[] = {{first_launcher, "app.wapp", L"webapp"}, {second_launcher, "My-App.example", L"webapp-2"}};
  for (auto& r : runs) {
    SCOPED_TRACE(r.host);
    std::vector<fake_line> lines = wait_for_fake_line(r.launcher, "served");
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
    fs::path launcher = make_launcher(title, c.settings, c.with_app ? module_app() : entry_list{});
    launcher_run run = start(launcher);
    SetEnvironmentVariableW(fake_fail_variable, nullptr);
    ASSERT_TRUE(run.wait_for_window(title));
    std::vector<fake_line> lines = wait_for_fake_line(launcher, "navigate");
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{c.address.empty() ? app_address() : c.address}));
    EXPECT_TRUE(fake_values(lines, "virtual_host").empty());
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_TRUE(web_app_folders().empty());
}

}  // namespace
