// The app's tray icon on Windows, its page played by the fake runtime: the
// icon in the notification area, its menu opened by the icon's message and
// answered from the keyboard, a choice reaching the page, the close box
// hiding the window into the tray, and Show and Quit.
#include "end_to_end/launcher_driver.h"

#include <shellapi.h>

namespace {

class LauncherTray : public end_to_end_test {};

// Whether the notification area holds the window's icon: only an icon that
// is there can be changed.
bool tray_holds(HWND window) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = 1;
  return Shell_NotifyIconW(NIM_MODIFY, &data);
}

// Opens the icon's menu as a right click does and presses keys in it.
bool choose_in_menu(HWND window, const std::vector<WPARAM>& keys) {
  PostMessageW(window, 12501, 1, WM_RBUTTONUP);
  HWND menu = nullptr;
  DWORD thread = GetWindowThreadProcessId(window, nullptr);
  for (int waited = 0; !menu && waited < 10000; waited += 20) {
    Sleep(20);
    HWND candidate = FindWindowW(L"#32768", nullptr);
    if (candidate && IsWindowVisible(candidate) && GetWindowThreadProcessId(candidate, nullptr) == thread)
      menu = candidate;
  }
  if (!menu) return false;
  for (WPARAM key : keys) PostMessageW(menu, WM_KEYDOWN, key, 0);
  return true;
}

bool wait_until(const std::function<bool()>& done) {
  for (int waited = 0; waited < 10000; waited += 20) {
    if (done()) return true;
    Sleep(20);
  }
  return false;
}

TEST_F(LauncherTray, TheTrayMenuReachesThePageAndTheCloseBoxHidesTheWindow) {
  const std::string own = "message https://app.wapp/index.html ";
  page_actions page(root / "page.txt",
                    "wait 200\n" + own +
                        R"({"wapp":"","id":1,"method":"tray.set","args":{"tooltip":"Notes","menu":[{"id":"new","label":"New"},"-"]}})"
                        "\n" + own + R"({"wapp":"","id":2,"method":"tray.next","args":{}})" "\n");
  launcher_run run = start(make_launcher(
      L"tray", settings_document("Notes", {{"VirtualHost", "app.wapp"}, {"CloseToTray", "1"}}), {{L"index.html", "<p>notes</p>"}}));
  HWND window = run.wait_for_window(L"Notes");
  ASSERT_TRUE(window);
  run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":1,"result":null})");
  EXPECT_TRUE(tray_holds(window));

  // New, the first item: the page's waiting call gets it.
  ASSERT_TRUE(choose_in_menu(window, {VK_DOWN, VK_RETURN}));
  std::vector<fake_line> lines =
      run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":2,"result":{"kind":"menu","id":"new"}})");
  EXPECT_EQ(last_fake_value(lines, "posted_json"), R"({"wapp":true,"id":2,"result":{"kind":"menu","id":"new"}})");

  // The close box hides the window; Show (after New) brings it back.
  run.close();
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(window); }));
  EXPECT_EQ(WaitForSingleObject(run.process(), 300), (DWORD)WAIT_TIMEOUT);
  ASSERT_TRUE(choose_in_menu(window, {VK_DOWN, VK_DOWN, VK_RETURN}));
  EXPECT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }));

  // Hidden again, Quit (the last item) ends the run as the close box would
  // without the tray, and the icon goes with it.
  run.close();
  EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(window); }));
  ASSERT_TRUE(choose_in_menu(window, {VK_UP, VK_RETURN}));
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_FALSE(tray_holds(window));
}

}  // namespace
