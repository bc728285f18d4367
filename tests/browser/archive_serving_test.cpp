// A browser answering its app's host from the archive: the declared
// interfaces match the published slots, and every kind of request, loaded
// by the fake's page through the real handler, gets the answer a web server
// would give: the entry's exact bytes with their type and length, or a 404.
#include <cstring>

#include "browser_test_support.h"
#include "payload/zip_index.h"
#include "support/zip_bytes.h"

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
  EXPECT_EQ(slot_of(&ICoreWebView2::add_WebResourceRequested), 55);
  EXPECT_EQ(slot_of(&ICoreWebView2::remove_WebResourceRequested), 56);
  EXPECT_EQ(slot_of(&ICoreWebView2::AddWebResourceRequestedFilter), 57);
  EXPECT_EQ(slot_of(&ICoreWebView2::add_WindowCloseRequested), 59);
  EXPECT_EQ(slot_of(&ICoreWebView2::remove_WindowCloseRequested), 60);
  EXPECT_EQ(slot_of(&ICoreWebView2Environment::CreateWebResourceResponse), 4);
  EXPECT_EQ(slot_of(&ICoreWebView2WebResourceRequestedEventArgs::get_Request), 3);
  EXPECT_EQ(slot_of(&ICoreWebView2WebResourceRequestedEventArgs::put_Response), 5);
  EXPECT_EQ(slot_of(&ICoreWebView2WebResourceRequest::get_Uri), 3);
  EXPECT_EQ(slot_of(&ICoreWebView2WebResourceResponse::put_ReasonPhrase), 9);
  EXPECT_EQ(slot_of(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled), 20);
  EXPECT_EQ(slot_of(&ICoreWebView2Settings9::put_IsNonClientRegionSupportEnabled), 38);
  EXPECT_EQ(slot_of(&ICoreWebView2_2::get_Environment), 67);
  EXPECT_EQ(slot_of(&ICoreWebView2_3::ClearVirtualHostNameToFolderMapping), 72);
}

// What the fake logs for a load of these bytes: "<status> <type> <length> <bytes read> <checksum>".
std::string answered(int status, const std::string& type, const std::string& bytes) {
  return std::to_string(status) + " " + type + " " + std::to_string(bytes.size()) + " " +
         std::to_string(bytes.size()) + " " + fake_checksum(bytes);
}

TEST_F(BrowserTest, TheArchiveAnswersItsHostAsAWebServerWould) {
  const std::string page = "<!doctype html><script type=module src=js/app.js></script>", code(3000, 'j');
  std::string big(9u << 20, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = (char)(i % 253);
  zip_bytes zip = make_zip_bytes({{"index.html", page, false},
                                  {"js/app.js", code},
                                  {"data/config.json", "{\"a\": 1}"},
                                  {"caf\xC3\xA9.txt", "\xC3\xA9t\xC3\xA9"},
                                  {"notes.xyz", "?"},
                                  {"damaged.js", code},
                                  {"webapp.lock", "mine"},
                                  {"big.wasm", big},
                                  {"damaged.wasm", big}});
  for (size_t entry : {5, 8}) put_le(zip.bytes, zip.central[entry] + 16, 0, 4);  // checksums that do not hold
  zip_index index;
  ASSERT_TRUE(index.open(zip.bytes, true));

  auto* browser = new webview::webview(false, host);
  ASSERT_NE(browser->browser_controller(), nullptr);
  ASSERT_TRUE(browser->serve_archive("App.Wapp", index));
  EXPECT_FALSE(browser->serve_archive("App.Wapp", index)) << "once per browser";
  browser->navigate("https://app.wapp/index.html");
  const struct {
    const wchar_t* address;
    std::string answer;
  } cases[] = {
      {L"js/app.js", answered(200, "text/javascript", code)},
      {L"https://APP.wapp/JS/App.js", answered(200, "text/javascript", code)},
      {L"data/config.json?v=2#top", answered(200, "application/json", "{\"a\": 1}")},
      {L"caf%C3%A9.txt", answered(200, "text/plain", "\xC3\xA9t\xC3\xA9")},
      {L"notes.xyz", answered(200, "application/octet-stream", "?")},
      {L"big.wasm", answered(200, "application/wasm", big)},
      {L"missing.txt", answered(404, "text/plain", "")},
      {L"damaged.js", answered(404, "text/plain", "")},
      {L"webapp.lock", answered(404, "text/plain", "")},
      {L"%2e%2e/index.html", answered(404, "text/plain", "")},
      {L"js/", answered(404, "text/plain", "")},
      // Too large to check before the answer: its end is never given.
      {L"damaged.wasm", "200 application/wasm " + std::to_string(big.size()) + " read_failed"},
      {L"https://other.example/index.html", "network"},
  };
  for (const auto& c : cases) ASSERT_EQ(fake_fetch(c.address), 1);
  std::vector<std::string> fetched = fake_values(fake_record_in_process(), "fetched");
  ASSERT_EQ(fetched.size(), std::size(cases) + 1);
  EXPECT_EQ(fetched[0], "https://app.wapp/index.html " + answered(200, "text/html", page)) << "the navigation";
  for (size_t i = 0; i < std::size(cases); i++) {
    std::string address = utf8_of(cases[i].address);
    EXPECT_EQ(fetched[i + 1].substr(fetched[i + 1].find(' ') + 1), cases[i].answer) << address;
  }
  EXPECT_EQ(fake_values(fake_record_in_process(), "resource_filter"), (strings{"https://app.wapp/* 0"}));
  delete browser;
  EXPECT_EQ(fake_values(fake_record_in_process(), "resource_handler"), (strings{"added", "removed"}));
  EXPECT_EQ(fake_live_references(), 0) << "a response or stream outlived the browser";

  // A browser without its web view has nothing to serve from.
  SetEnvironmentVariableW(fake_fail_variable, L"core_webview");
  webview::webview browser_without_page(false, host);
  EXPECT_FALSE(browser_without_page.serve_archive("app.wapp", index));
  SetEnvironmentVariableW(fake_fail_variable, nullptr);
}

}  // namespace
