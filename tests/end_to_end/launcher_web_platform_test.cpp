// The web platform as a browser gives it, end to end with the fake runtime
// raising the browser's events: permission requests answered by the app's
// policy, and a page that comes back (three renderer ends within the minute
// reload the page, the fourth shows the launcher's own page, and the browser
// process's end makes the browser anew in the same window, serving the app
// with its API as before).
#include "launcher_driver.h"

namespace {

using LauncherWebPlatform = end_to_end_test;
using strings = std::vector<std::string>;

// The question's window of the process, and its answer by the button's id.
bool answer_question(HANDLE process, int button) {
  auto question = [](HWND candidate) {
    wchar_t type[64] = {};
    GetClassNameW(candidate, type, 64);
    return std::wstring(type) == L"#32770";
  };
  HWND dialog = wait_for_process_window(process, question, 50);
  return dialog && PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
}

// Each kind as the policy says, for the app's own page alone; ask puts the
// question once a run, and the user's answer decides.
TEST_F(LauncherWebPlatform, PermissionsFollowThePolicyForTheAppsOwnPagesAlone) {
  const std::string own = "permission https://app.wapp/index.html ", frame = "permission https://ads.example/f.html ";
  page_actions page(root / "page.txt",
                    "wait 100\n" + own + "2\n" + own + "3\n" + frame + "2\n" + own + "4\n" + own + "4\n" + own +
                        "1\n" + own + "5\n");
  launcher_run run = start(make_launcher(
      L"Maps", settings_document("Maps", {{"VirtualHost", "app.wapp"}, {"AppName", "Maps"}, {"AppId", "maps.example"},
                                          {"Permissions", "camera=allow,geolocation=deny,microphone=ask"}}),
      {{L"index.html", "<p>maps</p>"}}));
  ASSERT_TRUE(run.find_window(L"Maps"));
  ASSERT_TRUE(answer_question(run.process(), IDYES));  // notifications, asked as no kind is named
  run.wait_for_fake_line("permission", "https://app.wapp/index.html 4 allow");
  ASSERT_TRUE(answer_question(run.process(), IDNO));  // the microphone
  std::vector<fake_line> lines = run.wait_for_fake_line("permission", "https://app.wapp/index.html 1 deny");
  // In the order they were settled: the questions' answers come last, and
  // the second request for notifications took the first one's.
  EXPECT_EQ(fake_values(lines, "permission"),
            (strings{"https://app.wapp/index.html 2 allow", "https://app.wapp/index.html 3 deny",
                     "https://ads.example/f.html 2 deny", "https://app.wapp/index.html 5 deny",
                     "https://app.wapp/index.html 4 allow", "https://app.wapp/index.html 4 allow",
                     "https://app.wapp/index.html 1 deny"}));
  // The browser's data goes by the app's id, not the program's name.
  std::string data = last_fake_value(lines, "user_data_folder");
  EXPECT_EQ(data.substr(data.find_last_of('\\') + 1), "maps.example");
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
}

TEST_F(LauncherWebPlatform, TheRendererComesBackThreeTimesAMinuteAndTheBrowserIsMadeAnew) {
  page_actions page(root / "page.txt",
                    "wait 100\nprocess_failed render\nwait 100\nprocess_failed render\nwait 100\n"
                    "process_failed render\nwait 100\nprocess_failed render\nwait 100\nprocess_failed unresponsive\n"
                    "wait 1500\nprocess_failed browser\n");
  launcher_run run = start(make_launcher(L"Comeback", settings_document("Comeback", {{"VirtualHost", "app.wapp"}}),
                                         {{L"index.html", "<p>back</p>"}}));
  ASSERT_TRUE(run.find_window(L"Comeback"));
  // A page that stops answering: the user chooses to reload.
  ASSERT_TRUE(answer_question(run.process(), IDYES));
  // The browser made anew navigates to the app again.
  std::vector<fake_line> lines;
  for (int waited = 0; waited < 30000; waited += 100, Sleep(100)) {
    lines = run.fake_log();
    if (fake_values(lines, "navigate").size() == 2) break;
  }
  const std::string address = "https://app.wapp/index.html";
  EXPECT_EQ(fake_values(lines, "navigate"), (strings{address, address}));
  EXPECT_EQ(fake_values(lines, "reload"), (strings{address, address, address, "about:blank"}));
  std::vector<std::string> pages = fake_values(lines, "html");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Comeback stopped working"), std::string::npos);
  EXPECT_NE(pages[0].find("location.replace(\"https://app.wapp/index.html\")"), std::string::npos);
  EXPECT_EQ(fake_values(lines, "process_failed"),
            (strings{"1 heard", "1 heard", "1 heard", "1 heard", "2 heard", "0 heard"}));
  // Everything the first browser was asked for, the second is asked for too
  // (the ended browser took its handlers along).
  EXPECT_EQ(fake_values(lines, "controller_completed").size(), 2u);
  EXPECT_EQ(fake_values(lines, "resource_filter").size(), 2u);
  EXPECT_EQ(fake_values(lines, "resource_handler"), (strings{"added", "added"}));
  EXPECT_EQ(fake_values(lines, "message_handler"), (strings{"added", "added"}));
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_EQ(last_fake_value(run.fake_log(), "can_unload_now"), "0x00000000") << "references left on the browser";
}

}  // namespace
