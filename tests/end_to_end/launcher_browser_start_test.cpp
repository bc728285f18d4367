// The browser starts while the app is unpacked: a launcher asks for the
// browser's environment before it unpacks and makes its web view on that one
// environment. What it shows and leaves behind is what it always was, with a
// browser slow to start and with every failure the fake can play.
#include "launcher_driver.h"

namespace {

using LauncherBrowserStart = end_to_end_test;
using strings = std::vector<std::string>;

entry_list small_app() { return {{L"css/", ""}, {L"css/a.css", "p{}"}, {L"index.html", "<p>app</p>"}}; }

TEST_F(LauncherBrowserStart, ASlowOrFailingBrowserGivesWhatItAlwaysGave) {
  struct {
    const char* title;
    const wchar_t* failure;
    const wchar_t *environment_ms, *controller_ms;
    const char* last_line;  // the fake's line that ends the browser's creation,
    size_t last_count;      // and how often it comes
    size_t environments;    // creations asked of the runtime: one, and its retry
  } cases[] = {
      {"Slow to start", L"", L"300", L"100", "navigate", 1, 1},
      {"Environment fails", L"environment", L"100", L"", "environment_completed", 2, 2},
      {"Controller fails", L"controller", L"", L"30", "controller_completed", 5, 1},
      {"Invalid state", L"controller_invalid_state", L"", L"", "controller_completed", 1, 1},
      {"No web view", L"core_webview", L"", L"", "core_webview", 2, 1},  // asked by the browser and the gadget
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    const std::pair<const wchar_t*, const wchar_t*> variables[] = {{fake_fail_variable, c.failure},
                                                                   {fake_environment_delay_variable, c.environment_ms},
                                                                   {fake_controller_delay_variable, c.controller_ms}};
    for (auto [name, value] : variables) SetEnvironmentVariableW(name, *value ? value : nullptr);
    launcher_run run = start(make_launcher(title, settings_document(c.title), small_app()));
    for (auto [name, value] : variables) SetEnvironmentVariableW(name, nullptr);
    ASSERT_TRUE(run.wait_for_window(title));
    std::vector<fake_line> lines;
    for (DWORD waited = 0; waited < launcher_timeout_ms; waited += 20) {
      lines = run.fake_log();
      if (fake_values(lines, c.last_line).size() >= c.last_count) break;
      Sleep(20);
    }
    ASSERT_EQ(fake_values(lines, c.last_line).size(), c.last_count);
    // The web view's environment is the one asked for early, not a second.
    EXPECT_EQ(fake_values(lines, "create_environment").size(), c.environments);
    bool navigates = !*c.failure;
    EXPECT_EQ(fake_values(lines, "navigate"), navigates ? strings{app_address()} : strings{});
    // The browser arguments were set before that early environment.
    EXPECT_EQ(fake_values(lines, "browser_arguments").at(0).rfind("--disk-cache-dir=\"", 0), 0u);
    if (navigates) {
      EXPECT_EQ(fake_values(lines, "bounds").at(0), rect_text(facts_of(run.window).client));
    } else {
      // The browser's host goes at once, and no notice follows: a runtime is there.
      for (DWORD waited = 0; waited < launcher_timeout_ms && facts_of(run.window).child_windows; waited += 20)
        Sleep(20);
      Sleep(300);
      EXPECT_EQ(facts_of(run.window).child_windows, 0);
    }
    EXPECT_TRUE(fs::exists(temp / "webapp" / "index.html"));
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
    EXPECT_TRUE(web_app_folders().empty());
    lines = run.fake_log();
    EXPECT_EQ(last_fake_value(lines, "can_unload_now"), "0x00000000") << "references left on the browser";
  }
}

}  // namespace
