// Apps in charge of their window, end to end: a page's own title bar
// (drag regions), a page that closes its window, the page's title as the
// window's, and what the window says when no WebView2 runtime is installed.
#include <algorithm>
#include <cstdlib>

#include "launcher/runtime_notice.h"
#include "launcher_driver.h"

namespace {

using LauncherWindowControl = end_to_end_test;
using strings = std::vector<std::string>;

entry_list frameless_app() {
  return {{L"index.html",
           "<!doctype html><header style='app-region: drag'>Title"
           "<button style='app-region: no-drag' onclick='window.close()'>x</button></header>"}};
}

// The page asks to close its window a while after it was shown; nothing
// else closes it. The run then ends as after a click on the close box.
TEST_F(LauncherWindowControl, APageThatCallsWindowCloseEndsTheRunAsTheCloseBoxWould) {
  struct {
    const char* title;
    const wchar_t* failure;
    strings settings;
  } cases[] = {
      {"Drag regions", L"", {"devtools 0", "statusbar 0", "non_client_region 1"}},
      // A runtime before 123 has no drag regions and works as before.
      {"An older runtime", L"no_settings_9", {"devtools 0", "statusbar 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    SetEnvironmentVariableW(fake_fail_variable, *c.failure ? c.failure : nullptr);
    launcher_run run = [&] {
      page_actions page(root / "page.txt", "wait 1500\nclose\n");
      return start(make_launcher(title, settings_document(c.title, {{"Frameless", "1"}}), frameless_app()));
    }();
    SetEnvironmentVariableW(fake_fail_variable, nullptr);
    ASSERT_TRUE(run.find_window(title));
    EXPECT_EQ(run.wait_for_exit(), 0u) << "the window did not close";
    EXPECT_TRUE(web_app_folders().empty());

    std::vector<fake_line> lines = run.fake_log();
    EXPECT_EQ(fake_values(lines, "settings"), c.settings);
    EXPECT_EQ(fake_values(lines, "navigate"), (strings{app_address()}));
    EXPECT_EQ(fake_values(lines, "close_handler"), (strings{"added", "removed"}));
    size_t navigated = find_fake_line(lines, "navigate"), requested = find_fake_line(lines, "window_close_requested");
    EXPECT_LT(find_fake_line(lines, "settings"), navigated);
    EXPECT_LT(find_fake_line(lines, "close_handler", "added"), navigated);
    ASSERT_LT(requested, lines.size());
    EXPECT_EQ(lines[requested].value, "heard");
    EXPECT_EQ(fake_values(lines, "page_action"), (strings{"wait 1500", "close"}));
    EXPECT_LT(requested, find_fake_line(lines, "close")) << "the browser went before the page asked";
    std::set<std::string> released = destroyed_browser_objects(lines);
    EXPECT_TRUE(std::includes(released.begin(), released.end(), browser_released_in_time.begin(),
                              browser_released_in_time.end()));
    EXPECT_EQ(last_fake_value(lines, "can_unload_now"), "0x00000000") << "references left on the browser";
  }
}

// The browser names a document without a title by its address; the window
// keeps the packed title then, and takes the page's own when it sets one.
TEST_F(LauncherWindowControl, WithPageTitleTheWindowIsTitledAsThePageIs) {
  page_actions page(root / "page.txt",
                    "wait 300\ntitle Draft \xE2\x80\x94 Notes\nwait 1500\nnavigate https://app.wapp/other.html\n"
                    "wait 1500\nclose\n");
  launcher_run run = start(make_launcher(
      L"Notes", settings_document("Notes", {{"VirtualHost", "app.wapp"}, {"PageTitle", "1"}}),
      {{L"index.html", "<p>notes</p>"}, {L"other.html", "<p>other</p>"}}));
  ASSERT_TRUE(run.find_window(L"Draft \u2014 Notes"));
  run.wait_for_fake_line("navigate", "https://app.wapp/other.html");
  Sleep(200);
  wchar_t title[64] = {};
  GetWindowTextW(run.window, title, 64);
  EXPECT_EQ(std::wstring(title), L"Notes");
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_EQ(fake_values(run.fake_log(), "title_handler"), (strings{"added", "removed"}));
}

struct notice_controls {
  HWND text, button;
  RECT inner, text_rect, button_rect;  // in the window's inner coordinates
};

notice_controls notice_in(HWND window) {
  notice_controls controls{};
  controls.text = GetDlgItem(window, runtime_notice_text_id);
  controls.button = GetDlgItem(window, runtime_notice_button_id);
  GetClientRect(window, &controls.inner);
  for (auto [control, rect] : {std::pair{controls.text, &controls.text_rect}, {controls.button, &controls.button_rect}}) {
    GetWindowRect(control, rect);
    MapWindowPoints(nullptr, window, (POINT*)rect, 2);
  }
  return controls;
}

std::wstring text_of(HWND control) {
  wchar_t text[512] = {};
  GetWindowTextW(control, text, 512);
  return text;
}

// Both controls centred across, and the two of them from top to bottom.
bool centred(const notice_controls& n) {
  auto within_one = [](LONG a, LONG b) { return std::abs(a - b) <= 1; };
  return within_one(n.text_rect.left + n.text_rect.right, n.inner.right) &&
         within_one(n.button_rect.left + n.button_rect.right, n.inner.right) &&
         within_one(n.text_rect.top + n.button_rect.bottom, n.inner.bottom);
}

TEST_F(LauncherWindowControl, WithoutAWebView2RuntimeTheWindowSaysSoAndOffersTheDownload) {
  without_webview2_runtime no_runtime;
  stand_in_browser browser;
  launcher_run run = start(make_launcher(L"no-runtime", settings_document("No runtime"), frameless_app()));
  ASSERT_TRUE(run.wait_for_window(L"No runtime"));
  // The window shows before the runtime is looked for.
  notice_controls notice{};
  for (DWORD waited = 0; waited < launcher_timeout_ms && !(notice = notice_in(run.window)).button; waited += 20)
    Sleep(20);
  EXPECT_TRUE(fs::exists(temp / "webapp" / "index.html"));
  EXPECT_EQ(facts_of(run.window).child_windows, 2);
  EXPECT_EQ(text_of(notice.text), runtime_notice_text);
  EXPECT_EQ(text_of(notice.button), runtime_notice_button_text);
  EXPECT_TRUE(centred(notice));
  EXPECT_LT(notice.text_rect.bottom, notice.button_rect.top) << "the button covers the text";

  // The text follows the window's size, and wraps within a narrow one. The
  // window is made smaller from another process, which repaints nothing:
  // the size event alone has to end the launcher's wait.
  ASSERT_TRUE(SetWindowPos(run.window, nullptr, 0, 0, 300, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  for (DWORD waited = 0; waited < launcher_timeout_ms && !centred(notice = notice_in(run.window)); waited += 20)
    Sleep(20);
  EXPECT_TRUE(centred(notice));
  EXPECT_LT(notice.text_rect.right - notice.text_rect.left, notice.inner.right);
  EXPECT_LT(notice.text_rect.bottom, notice.button_rect.top);

  // The button has the shell open Microsoft's page in the default browser.
  PostMessageW(notice.button, BM_CLICK, 0, 0);
  std::vector<fake_line> lines = run.wait_for_fake_line("opened");
  EXPECT_EQ(fake_values(lines, "opened"), (strings{utf8_of(webview2_download_link)}));

  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
  EXPECT_EQ(run.fake_log().size(), 1u) << "a runtime was found after all";
}

}  // namespace
