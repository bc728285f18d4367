// What a page may send to the user's browser, and what becomes of each way a
// page leaves (or stays in) the app's window.
#include <gtest/gtest.h>

#include <string>

#include "launcher-common/app_boundary.h"

namespace {

// UTF-8 to UTF-16, as the Windows launcher has its addresses.
std::wstring widened(const std::string& text) {
  std::wstring wide;
  for (size_t i = 0; i < text.size();) {
    unsigned char b = text[i];
    int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    unsigned long c = more ? b & (0x3F >> more) : b;
    for (i++; more-- > 0 && i < text.size(); i++) c = c << 6 | ((unsigned char)text[i] & 0x3F);
    if (c >= 0x10000) wide += (wchar_t)(0xD800 + ((c - 0x10000) >> 10)), c = 0xDC00 + ((c - 0x10000) & 0x3FF);
    wide += (wchar_t)c;
  }
  return wide;
}

TEST(AppBoundary, OnlyWebAndMailAddressesMayGoToTheUsersBrowser) {
  const struct {
    const char* address;
    bool may_open;
  } cases[] = {
      {"https://example.test/x?q=1#top", true},
      {"HTTP://Example.test", true},
      {"mailto:someone@example.test?subject=Hello%20there", true},
      {"mailto:", true},
      {"https://", false},  // no host
      {"https:example.test", false},
      {"file:///C:/Windows/System32/calc.exe", false},
      {"javascript:alert(1)", false},
      {"data:text/html,<p>", false},
      {"ms-settings:", false},
      {"wappcustom://do/it", false},
      {"about:blank", false},
      {" https://example.test/", false},
      {"https://example.test/a b", false},
      {"https://example.test/\" --new-window", false},
      {"https://example.test/\t", false},
      {"https://example.test\\x", false},
      {"", false},
      // Schemes that only begin like the web's.
      {"httpx://example.test/", false},
      {"http+unix://%2Frun%2Fdocker.sock/x", false},
      // Controls of every kind, written or escaped, and mail that sends a file or a header.
      {"https://example.test/\xC2\x85", false},
      {"https://example.test/\xE2\x80\xAE" "exe.txt", false},
      {"https://example.test/a\xE2\x80\xA8" "b", false},
      {"https://example.test/\xE2\x81\xA6x", false},
      {"https://example.test/%E2%80%AE", false},
      {"https://example.test/%0d%0a", false},
      {"https://example.test/%C2%9F", false},
      {"https://example.test/%20and%2F", true},
      {"mailto:a@example.test?subject=Hi&body=Line%201&cc=b@example.test", true},
      {"mailto:victim@x.test?attach=/etc/passwd", false},
      {"mailto:a@x.test?subject=x&ATTACHMENT=%2Fetc%2Fpasswd", false},
      {"mailto:a@x.test?%61ttach=/etc/passwd", false},
      {"mailto:a@x.test?subject=x%0d%0aBcc:evil@x.test", false},
      {"mailto:a@x.test?from=evil@x.test", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(may_open_in_user_browser(std::string_view(c.address)), c.may_open) << c.address;
    std::wstring wide = widened(c.address);
    EXPECT_EQ(may_open_in_user_browser(std::wstring_view(wide)), c.may_open) << c.address;
  }
  // A byte that ends a character cannot pass for a space, whatever the sign of char.
  EXPECT_TRUE(may_open_in_user_browser(std::string_view("https://example.test/caf\xC3\xA9")));
}

TEST(AppBoundary, TheWindowShowsTheAppAndWhatLeavesItGoesToTheBrowserOrNowhere) {
  using verdict = page_navigation_verdict;
  constexpr bool yes = true, no = false;
  const struct {
    const char* title;
    page_navigation navigation;  // own, new window, redirect, user initiated, site
    const char* address;
    verdict expected;
  } cases[] = {
      {"the app's own page", {yes, no, no, yes, no}, "https://app.wapp/b.html", verdict::stay},
      {"a link out", {no, no, no, yes, no}, "https://example.test/", verdict::open_in_user_browser},
      {"a script's navigation out", {no, no, no, no, no}, "https://example.test/", verdict::open_in_user_browser},
      {"a mail link", {no, no, no, yes, no}, "mailto:a@example.test", verdict::open_in_user_browser},
      {"a file", {no, no, no, yes, no}, "file:///C:/Windows/System32/calc.exe", verdict::refuse},
      {"settings", {no, no, no, no, no}, "ms-settings:", verdict::refuse},
      {"a window out", {no, yes, no, no, no}, "https://example.test/", verdict::open_in_user_browser},
      {"a window of the app's own", {yes, yes, no, yes, no}, "https://app.wapp/b.html", verdict::refuse},
      {"a window for a file", {no, yes, no, yes, no}, "file:///C:/Windows/", verdict::refuse},
      {"a window for a script", {no, yes, no, yes, no}, "javascript:alert(1)", verdict::refuse},
      // A site is sent across origins by sign-in pages and scripts.
      {"a site's redirect", {no, no, yes, no, yes}, "https://login.example.test/", verdict::stay},
      {"a site's script", {no, no, no, no, yes}, "https://login.example.test/", verdict::stay},
      {"a site's link out", {no, no, no, yes, yes}, "https://example.test/", verdict::open_in_user_browser},
      {"a site's redirect to a program", {no, no, yes, yes, yes}, "ms-settings:", verdict::refuse},
      {"a site's script to a program", {no, no, no, no, yes}, "wappcustom:x", verdict::refuse},
      {"a site's window of its own", {yes, yes, no, yes, yes}, "https://start.test/help", verdict::open_in_user_browser},
      {"an app's redirect out", {no, no, yes, no, no}, "https://example.test/", verdict::refuse},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(judge_page_navigation(c.navigation, std::string_view(c.address)), c.expected) << c.title;
    std::wstring wide = widened(c.address);
    EXPECT_EQ(judge_page_navigation(c.navigation, std::wstring_view(wide)), c.expected) << c.title;
  }
}

}  // namespace
