// Pages that try to leave the app, end to end: new windows and navigations
// out of an unpacked app, a served one and a site reach the stand-in default
// browser when they may, and nothing otherwise, while the window keeps the
// app's page; what stays inside the app goes on as before.
#include "launcher_driver.h"

#include <shellapi.h>

#include <algorithm>

namespace {

using LauncherLeavingApp = end_to_end_test;
using strings = std::vector<std::string>;

size_t new_windows_in(const std::string& actions) {
  size_t count = 0;
  for (size_t at = actions.find("new_window "); at != std::string::npos; at = actions.find("new_window ", at + 1))
    count++;
  return count;
}

strings sorted(strings values) {
  std::sort(values.begin(), values.end());
  return values;
}

TEST_F(LauncherLeavingApp, LinksOutReachTheUsersBrowserAndNothingElseLeaves) {
  stand_in_browser browser({L"https", L"http", L"mailto", L"wappcustom"});
  // The stand-in answers the custom scheme too, so that an address the
  // launcher wrongly let out would show.
  {
    SetEnvironmentVariableW(fake_log_variable, (root / "control.log").c_str());
    ShellExecuteW(nullptr, L"open", L"wappcustom:control", nullptr, nullptr, SW_SHOWNORMAL);
    SetEnvironmentVariableW(fake_log_variable, nullptr);
    std::vector<fake_line> control;
    for (DWORD waited = 0; waited < launcher_timeout_ms && control.empty(); waited += 50, Sleep(50))
      control = read_fake_log(root / "control.log");
    ASSERT_EQ(fake_values(control, "opened"), strings{"wappcustom:control"});
  }
  std::string folder = utf8_of(temp.wstring());
  std::replace(folder.begin(), folder.end(), '\\', '/');
  const std::string own_page = "file:///" + folder + "/webapp/other.html";
  const entry_list app = {{L"index.html", "<a href='other.html'>other</a>"}, {L"other.html", "<p>other</p>"}};
  // The app's own page announces the window it opens; a frame of another
  // origin cannot, and without a click its windows go nowhere.
  const std::string announced = "message " + app_address() +
                                R"( {"wapp":"","id":1,"method":"window.willOpen","args":{"url":"https://example.test/announced"}})";
  const struct {
    const char* title;
    setting_list settings;
    entry_list files;
    std::string actions;
    strings opened, navigated, cancelled, settings_lines;
  } cases[] = {
      {"An unpacked app",
       {},
       app,
       "new_window user https://example.test/blank\n"
       "new_window https://example.test/unasked\n"
       "new_window https://example.test/unasked\n"
       + announced + "\n"
       "new_window https://example.test/announced\n"
       "new_window https://example.test/announced\n"
       "navigate https://example.test/away\n"
       "new_window file:///C:/windows/system32/notepad.exe\n"
       "navigate wappcustom:run\n"
       "new_window wappcustom:window\n"
       "new_window javascript:alert(1)\n"
       "navigate ms-settings:\n"
       "navigate mailto:someone@example.test\n"
       "new_window " + own_page + "\n"
       "navigate " + own_page + "\n",
       {"https://example.test/announced", "https://example.test/away", "https://example.test/blank",
        "mailto:someone@example.test"},
       {app_address(), own_page},
       {"1", "1", "1", "1"},
       {"devtools 0", "statusbar 0", "non_client_region 1"}},
      {"A served app",
       {{"VirtualHost", "App.Wapp"}},
       app,
       "navigate https://app.wapp/other.html\n"
       "new_window https://app.wapp/other.html\n"
       "navigate https://app.wapp.example.test/\n"
       "new_window user http://example.test/plain\n"
       "navigate file:///C:/windows/win.ini\n"
       "navigate HTTPS://APP.WAPP/index.html\n",
       {"http://example.test/plain", "https://app.wapp.example.test/"},
       {"https://App.Wapp/index.html", "https://app.wapp/other.html", "HTTPS://APP.WAPP/index.html"},
       {"1", "1"},
       {"devtools 0", "statusbar 0", "non_client_region 1"}},
      // Sign-in pages send a site across origins; the user's links out leave.
      {"A site",
       {{"StartURL", "https://start.test/home"}, {"DevTools", "1"}},
       {},
       "navigate https://login.example.test/sign-in redirect\n"
       "navigate https://start.test/after\n"
       "navigate wappcustom:x redirect\n"
       "new_window https://start.test/help\n"
       "navigate https://example.test/elsewhere\n"
       "navigate https://start.test/end\n",
       {"https://example.test/elsewhere", "https://start.test/help"},
       {"https://start.test/home", "https://login.example.test/sign-in", "https://start.test/after",
        "https://start.test/end"},
       {"1", "1"},
       {"devtools 1", "statusbar 0", "non_client_region 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    std::string settings = settings_document(c.title, c.settings);
    launcher_run run = [&] {
      page_actions page(root / "page.txt", c.actions);
      return start(make_launcher(title, settings, c.files));
    }();
    ASSERT_TRUE(run.wait_for_window(title));
    run.wait_for_fake_line("navigate", c.navigated.back());
    std::vector<fake_line> lines;
    for (DWORD waited = 0; waited < launcher_timeout_ms; waited += 50, Sleep(50))
      if (fake_values(lines = run.fake_log(), "opened").size() >= c.opened.size()) break;
    Sleep(500);  // for an address that should not have gone out
    lines = run.fake_log();
    EXPECT_EQ(sorted(fake_values(lines, "opened")), c.opened);
    // The window went only where the app may go, and no other window opened.
    EXPECT_EQ(fake_values(lines, "navigate"), c.navigated);
    EXPECT_EQ(fake_values(lines, "navigation_cancel"), c.cancelled);
    EXPECT_EQ(fake_values(lines, "new_window_handled"), strings(new_windows_in(c.actions), "1"));
    EXPECT_TRUE(fake_values(lines, "popup_window").empty());
    EXPECT_EQ(fake_values(lines, "settings"), c.settings_lines);

    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
    EXPECT_TRUE(web_app_folders().empty());
    lines = run.fake_log();
    EXPECT_EQ(fake_values(lines, "new_window_handler"), (strings{"added", "removed"}));
    EXPECT_EQ(fake_values(lines, "navigation_handler"), (strings{"added", "removed"}));
    EXPECT_EQ(last_fake_value(lines, "can_unload_now"), "0x00000000") << "references left on the browser";
  }
}

}  // namespace
