// Which addresses are the app's own, for each kind of app the launcher shows:
// the forms the browser writes them in, and the ones that only look alike.
#include <gtest/gtest.h>

#include "runtime/browser/app_addresses.h"

namespace {

TEST(AppAddresses, EachKindOfAppOwnsItsAddressesAndNothingThatLooksAlike) {
  const app_scope folder{L"C:\\Users\\zo\u00eb\\Temp\\webapp/", L"", L""};
  const app_scope host{L"C:\\Users\\zo\u00eb\\Temp\\webapp", L"App.Wapp", L""};
  const app_scope site{L"", L"", L"https://Start.test/home?x=1"};
  const app_scope local_site{L"", L"", L"file:///C:/site/index.html"};
  const app_scope blank_site{L"", L"", L"data:text/html,<p>hi"};
  const app_scope relative_site{L"", L"", L"index.html"};
  const struct {
    const app_scope* app;
    const wchar_t* address;
    bool own;
  } cases[] = {
      // As the launcher navigates, and as the browser writes it back.
      {&folder, L"file://C:\\Users\\zo\u00eb\\Temp\\webapp/index.html", true},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp/index.html#top", true},
      {&folder, L"FILE:///c:/users/ZO%C3%8B/temp/WEBAPP/docs/a%20b.html?q", true},
      {&folder, L"file://localhost/C:/Users/zo%C3%AB/Temp/webapp/", true},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp", true},
      // Beside the folder, above it, out of it, or on another machine.
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp-2/index.html", false},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp.zip", false},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp/../secret.txt", false},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/webapp/%2E%2E/secret.txt", false},
      {&folder, L"file:///C:/Users/zo%C3%AB/Temp/", false},
      {&folder, L"file://server/C:/Users/zo%C3%AB/Temp/webapp/index.html", false},
      {&folder, L"file:///C:/Users/zo%FF/Temp/webapp/index.html", false},  // no UTF-8
      {&folder, L"https://app.wapp/index.html", false},
      {&folder, L"about:blank", false},
      // A served folder is its host alone, in any case, on its port.
      {&host, L"https://app.wapp/index.html", true},
      {&host, L"HTTPS://APP.WAPP:443/js/app.js", true},
      {&host, L"https://user@app.wapp/", true},
      {&host, L"http://app.wapp/index.html", false},
      {&host, L"https://app.wapp:8443/", false},
      {&host, L"https://app.wapp.example.test/", false},
      {&host, L"https://example.test/@app.wapp/", false},
      {&host, L"https://app.wapp@example.test/", false},
      {&host, L"file:///C:/Users/zo%C3%AB/Temp/webapp/index.html", false},
      // A site is its start address's origin.
      {&site, L"https://start.test/", true},
      {&site, L"https://START.test:443/other/page", true},
      {&site, L"http://start.test/", false},
      {&site, L"https://start.test:444/", false},
      {&site, L"https://login.start.test/", false},
      {&site, L"https://start.test.example/", false},
      // Start addresses without a host: a file's folder, or the scheme.
      {&local_site, L"file:///C:/site/help/a.html", true},
      {&local_site, L"file:///C:/other/a.html", false},
      {&blank_site, L"data:text/html,%3Cp%3Ehi", true},
      {&blank_site, L"about:blank", false},
      // Whatever the start address is, the app may open it.
      {&relative_site, L"index.html", true},
      {&relative_site, L"other.html", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_app_address(*c.app, c.address), c.own) << testing::PrintToString(c.address);
  EXPECT_TRUE(app_is_site(site));
  EXPECT_FALSE(app_is_site(folder) || app_is_site(host));
}

}  // namespace
