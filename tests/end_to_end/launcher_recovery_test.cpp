// A page that comes back, end to end with the fake runtime raising the
// browser's process failures: three renderer ends within the minute reload
// the page, the fourth shows the launcher's own page, and the browser
// process's end makes the browser anew in the same window, serving the app
// with its API as before.
#include "launcher_driver.h"

namespace {

using LauncherRecovery = end_to_end_test;
using strings = std::vector<std::string>;

TEST_F(LauncherRecovery, TheRendererComesBackThreeTimesAMinuteAndTheBrowserIsMadeAnew) {
  page_actions page(root / "page.txt",
                    "wait 100\nprocess_failed render\nwait 100\nprocess_failed render\nwait 100\n"
                    "process_failed render\nwait 100\nprocess_failed render\nwait 300\nprocess_failed browser\n");
  launcher_run run = start(make_launcher(L"Comeback", settings_document("Comeback", {{"VirtualHost", "app.wapp"}}),
                                         {{L"index.html", "<p>back</p>"}}));
  ASSERT_TRUE(run.find_window(L"Comeback"));
  // The browser made anew navigates to the app again.
  std::vector<fake_line> lines;
  for (int waited = 0; waited < 30000; waited += 100, Sleep(100)) {
    lines = run.fake_log();
    if (fake_values(lines, "navigate").size() == 2) break;
  }
  const std::string address = "https://app.wapp/index.html";
  EXPECT_EQ(fake_values(lines, "navigate"), (strings{address, address}));
  EXPECT_EQ(fake_values(lines, "reload"), (strings{address, address, address}));
  std::vector<std::string> pages = fake_values(lines, "html");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Comeback stopped working"), std::string::npos);
  EXPECT_NE(pages[0].find("location.replace(\"https://app.wapp/index.html\")"), std::string::npos);
  EXPECT_EQ(fake_values(lines, "process_failed"), (strings{"1 heard", "1 heard", "1 heard", "1 heard", "0 heard"}));
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
