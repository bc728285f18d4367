// A browser's whole life against the fake runtime: creation with its settings
// and init script, the requests, page messages and deletion.
#include <shlobj.h>

#include "browser_test_support.h"

namespace {

using strings = std::vector<std::string>;

TEST_F(BrowserTest, ReadyBrowserFollowsItsHostAndLeavesNothingBehind) {
  auto* browser = new webview::webview(true, host);
  ASSERT_EQ(browser->window(), host);
  ICoreWebView2Controller* controller = browser->browser_controller();
  ASSERT_NE(controller, nullptr);
  std::vector<fake_line> lines = fake_record_in_process();
  EXPECT_EQ(last_fake_value(lines, "create_environment"), "1 0") << "an installed runtime, asked with true";
  wchar_t app_data[MAX_PATH];
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
  EXPECT_EQ(last_fake_value(lines, "user_data_folder"), utf8_of(std::wstring(app_data) + L"\\browser_tests.exe"));
  EXPECT_EQ(last_fake_value(lines, "options"), "null");
  EXPECT_EQ(fake_values(lines, "settings"), (strings{"devtools 1", "statusbar 0", "non_client_region 1"}));
  EXPECT_EQ(fake_values(lines, "script"), (strings{"window.external={invoke:s=>window.chrome.webview.postMessage(s)}"}));
  EXPECT_EQ(last_fake_value(lines, "message_handler"), "added");
  EXPECT_EQ(last_fake_value(lines, "close_handler"), "added");
  EXPECT_EQ(last_fake_value(lines, "new_window_handler"), "added");
  EXPECT_EQ(last_fake_value(lines, "navigation_handler"), "added");
  RECT client;
  GetClientRect(host, &client);
  EXPECT_EQ(last_fake_value(lines, "bounds"), rect_text(client));
  EXPECT_EQ(last_fake_value(lines, "visible"), "1");
  EXPECT_EQ(last_fake_value(lines, "focus"), "0");

  browser->navigate("");
  browser->navigate("file://C:\\Users\\zo\xc3\xab\\Temp\\webapp/index.html");
  browser->set_html("<h1>hi</h1>\r\n");
  lines = fake_record_in_process();
  EXPECT_EQ(fake_values(lines, "navigate"), (strings{"about:blank", "file://C:\\Users\\zo\xc3\xab\\Temp\\webapp/index.html"}));
  EXPECT_EQ(fake_values(lines, "html"), (strings{"<h1>hi</h1>\r\n"}));
  EXPECT_EQ(fake_values(lines, "document_scripts"), (strings{"1", "1", "1"})) << "the init script missed a document";
  wchar_t shown[32] = {};
  GetWindowTextW(FindWindowExW(host, nullptr, L"STATIC", nullptr), shown, 32);
  EXPECT_STREQ(shown, L"<h1>hi</h1>\r\n");

  SetWindowPos(host, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  browser->resize_to_host();
  RECT bounds{};
  controller->get_Bounds(&bounds);
  GetClientRect(host, &client);
  EXPECT_TRUE(EqualRect(&bounds, &client));

  // Nothing is bound: the message is read and goes no further.
  EXPECT_EQ(post_fake_web_message(L"{\"id\":1,\"method\":\"quit\",\"params\":[]}"), 1);
  EXPECT_EQ(last_fake_value(fake_record_in_process(), "message_read"), "{\"id\":1,\"method\":\"quit\",\"params\":[]}");
  EXPECT_TRUE(IsWindow(host));

  delete browser;
  lines = fake_record_in_process();
  EXPECT_EQ(fake_live_references(), 0);
  EXPECT_EQ(last_fake_value(lines, "message_handler"), "removed");
  EXPECT_EQ(last_fake_value(lines, "close_handler"), "removed");
  EXPECT_EQ(last_fake_value(lines, "new_window_handler"), "removed");
  EXPECT_EQ(last_fake_value(lines, "navigation_handler"), "removed");
  EXPECT_EQ(FindWindowExW(host, nullptr, L"STATIC", nullptr), nullptr) << "the browser stayed in the host";
  // The module is asked last, once nothing of it is referenced.
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().key, "can_unload_now");
  EXPECT_EQ(lines.back().value, "0x00000000");
}

TEST_F(BrowserTest, FailedCreationRetriesWithinBoundsAndKeepsNoController) {
  struct {
    const wchar_t* failure;
    size_t environments, controllers;
  } cases[] = {{L"environment", 2, 0}, {L"controller", 1, 5}, {L"controller_invalid_state", 1, 1}};
  for (auto& c : cases) {
    SetEnvironmentVariableW(fake_fail_variable, c.failure);
    clear_fake_record();
    {
      webview::webview browser(false, host);
      EXPECT_EQ(browser.window(), host);
      EXPECT_EQ(browser.browser_controller(), nullptr);
      browser.navigate("about:blank");
    }
    std::vector<fake_line> lines = fake_record_in_process();
    EXPECT_EQ(fake_values(lines, "create_environment").size(), c.environments) << utf8_of(c.failure);
    EXPECT_EQ(fake_values(lines, "create_controller").size(), c.controllers) << utf8_of(c.failure);
    EXPECT_TRUE(fake_values(lines, "navigate").empty());
  }
  EXPECT_EQ(fake_live_references(), 0);

  // A controller whose web view is missing still counts; nothing reaches it.
  SetEnvironmentVariableW(fake_fail_variable, L"core_webview");
  {
    webview::webview browser(false, host);
    EXPECT_NE(browser.browser_controller(), nullptr);
    browser.navigate("about:blank");
    browser.set_html("<p>");
  }
  EXPECT_TRUE(fake_values(fake_record_in_process(), "navigate").empty());
  EXPECT_EQ(fake_live_references(), 0);

  // A runtime that never answers ends the wait at the time-out.
  SetEnvironmentVariableW(fake_fail_variable, L"never_complete");
  webview::creation_timeout_ms = 300;
  DWORD start = GetTickCount();
  {
    webview::webview browser(false, host);
    EXPECT_EQ(browser.browser_controller(), nullptr);
  }
  EXPECT_LT(GetTickCount() - start, webview::default_creation_timeout_ms);
}

TEST_F(BrowserTest, QuitDuringCreationEndsTheWaitAndIsLeftForTheProgramsLoop) {
  SetEnvironmentVariableW(fake_fail_variable, L"never_complete");
  PostQuitMessage(7);
  DWORD start = GetTickCount();
  {
    webview::webview browser(false, host);
    EXPECT_EQ(browser.browser_controller(), nullptr);
  }
  EXPECT_LT(GetTickCount() - start, webview::default_creation_timeout_ms);
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
