// Serving a folder under a virtual host name: the declared interfaces match
// the published slots, the mapping reaches a runtime that offers it, and a
// runtime without it is told apart.
#include <cstring>
#include <filesystem>
#include <fstream>

#include "browser_test_support.h"

namespace {

using strings = std::vector<std::string>;

// The vtable slot of a virtual member function: g++ keeps 1 + its byte
// offset in the vtable in a pointer to it.
template <class Member>
ptrdiff_t slot_of(Member member) {
  struct {
    uintptr_t pointer;
    ptrdiff_t adjustment;
  } raw;
  static_assert(sizeof member == sizeof raw);
  memcpy(&raw, &member, sizeof raw);
  return (ptrdiff_t)(raw.pointer - 1) / (ptrdiff_t)sizeof(void*);
}

// The fake is built from the same declarations, so only the published slot
// numbers catch a slot counted wrong.
TEST(WebView2Declarations, CalledMethodsSitInThePublishedSlots) {
  EXPECT_EQ(slot_of(&ICoreWebView2Controller::get_CoreWebView2), 25);
  EXPECT_EQ(slot_of(&ICoreWebView2::Navigate), 5);
  EXPECT_EQ(slot_of(&ICoreWebView2::remove_WebMessageReceived), 35);
  EXPECT_EQ(slot_of(&ICoreWebView2::add_WindowCloseRequested), 59);
  EXPECT_EQ(slot_of(&ICoreWebView2::remove_WindowCloseRequested), 60);
  EXPECT_EQ(slot_of(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled), 20);
  EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsNonClientRegionSupportEnabled), 38);
  EXPECT_EQ(slot_of(&ICoreWebView2_2::get_Environment), 67);
  EXPECT_EQ(slot_of(&ICoreWebView2_3::SetVirtualHostNameToFolderMapping), 71);
  EXPECT_EQ(slot_of(&ICoreWebView2_3::ClearVirtualHostNameToFolderMapping), 72);
}

TEST_F(BrowserTest, VirtualHostReachesARuntimeThatOffersIt) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / L"wapp-browser-vhost";
  std::filesystem::create_directories(folder / "js");
  std::ofstream(folder / "index.html") << "<script type=module src=js/app.js></script>";
  std::string folder_utf8 = utf8_of(folder.wstring());

  auto* browser = new webview::webview(false, host);
  ASSERT_NE(browser->browser_controller(), nullptr);
  EXPECT_TRUE(browser->map_virtual_host("app.wapp", folder.c_str()));
  EXPECT_TRUE(browser->map_virtual_host("Other-Host.example", folder.c_str())) << "a second mapping";
  EXPECT_FALSE(browser->map_virtual_host("", folder.c_str()));
  EXPECT_FALSE(browser->map_virtual_host("app.wapp", L""));
  browser->navigate("https://app.wapp/index.html");
  browser->navigate("https://other-host.example/js/app.js?v=2");
  std::vector<fake_line> lines = fake_record_in_process();
  EXPECT_EQ(fake_values(lines, "virtual_host"),
            (strings{"app.wapp " + folder_utf8 + " 1", "Other-Host.example " + folder_utf8 + " 1"}));
  EXPECT_EQ(fake_values(lines, "served"),
            (strings{"present " + folder_utf8 + "\\index.html", "missing " + folder_utf8 + "\\js\\app.js"}));
  delete browser;
  EXPECT_EQ(fake_live_references(), 0) << "the newer interface outlived the browser";

  // An older runtime: nothing is mapped, and nothing is held on to.
  SetEnvironmentVariableW(fake_fail_variable, L"no_webview_3");
  clear_fake_record();
  browser = new webview::webview(false, host);
  ASSERT_NE(browser->browser_controller(), nullptr);
  EXPECT_FALSE(browser->map_virtual_host("app.wapp", folder.c_str()));
  EXPECT_FALSE(browser->map_virtual_host("app.wapp", folder.c_str())) << "asked again";
  delete browser;
  EXPECT_TRUE(fake_values(fake_record_in_process(), "virtual_host").empty());
  EXPECT_EQ(fake_live_references(), 0);

  // A browser without its web view has nothing to map.
  SetEnvironmentVariableW(fake_fail_variable, L"core_webview");
  {
    webview::webview browser_without_page(false, host);
    EXPECT_FALSE(browser_without_page.map_virtual_host("app.wapp", folder.c_str()));
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
