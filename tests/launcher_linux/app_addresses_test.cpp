// Which addresses are the Linux launcher's app's own, for each kind of app
// it shows: the forms the engine writes them in, and the ones that only look
// alike.
#include <gtest/gtest.h>

#include "launcher-linux/app_addresses.h"

namespace {

TEST(LinuxAppAddresses, EachKindOfAppOwnsItsAddressesAndNothingThatLooksAlike) {
  const app_scope folder{"/run/user/1000/webapp/", "", ""};
  const app_scope host{"/run/user/1000/webapp", "App.Wapp", ""};
  const app_scope site{"", "", "https://Start.test/home?x=1"};
  const app_scope local_site{"", "", "file:///srv/site/index.html"};
  const app_scope blank_site{"", "", "data:text/html,<p>hi"};
  const app_scope local_server{"", "", "http://[::1]:8080/app/"};
  const struct {
    const app_scope* app;
    const char* address;
    bool own;
  } cases[] = {
      {&folder, "file:///run/user/1000/webapp/index.html", true},
      {&folder, "file:///run/user/1000/webapp/docs/caf%C3%A9%20b.html?q#top", true},
      {&folder, "file://localhost/run/user/1000/webapp/", true},
      {&folder, "file:///run/user/1000/webapp", true},
      {&folder, "file:///run/user/1000/webapp-2/index.html", false},
      {&folder, "file:///run/user/1000/WEBAPP/index.html", false},  // Linux names keep their case
      {&folder, "file:///run/user/1000/webapp/../secret.txt", false},
      {&folder, "file:///run/user/1000/webapp/%2E%2E/secret.txt", false},
      {&folder, "file://server/run/user/1000/webapp/index.html", false},
      {&folder, "file:///run/user/1000/", false},
      {&folder, "wapp://app.wapp/index.html", false},
      {&folder, "blob:null/5a3c", false},
      {&host, "wapp://app.wapp/index.html", true},
      {&host, "WAPP://APP.WAPP/js/app.js", true},
      {&host, "https://app.wapp/index.html", false},
      {&host, "wapp://app.wapp:1/", false},
      {&host, "wapp://app.wapp.example.test/", false},
      {&host, "wapp://app.wapp@example.test/", false},
      {&host, "file:///run/user/1000/webapp/index.html", false},
      {&site, "https://start.test/", true},
      {&site, "https://START.test:443/other", true},
      {&site, "http://start.test/", false},
      {&site, "https://login.start.test/", false},
      {&local_server, "http://[::1]:8080/other", true},
      {&local_server, "http://[::1]/app/", false},
      {&local_server, "http://[::2]:8080/app/", false},
      {&local_server, "http://[::1]:99999/app/", false},
      {&local_site, "file:///srv/site/help/a.html", true},
      {&local_site, "file:///srv/other/a.html", false},
      {&blank_site, "data:text/html,<p>hi", true},
      {&blank_site, "data:text/plain,other", true},
      {&blank_site, "about:blank", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_app_address(*c.app, c.address), c.own) << c.address;
}

}  // namespace
