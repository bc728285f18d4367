// The app-address table through the Windows launcher's rule, and the one
// form only Windows has: the address the launcher itself navigates to.
#include <gtest/gtest.h>

#include "launcher_common/app_address_cases.h"
#include "runtime/browser/app_addresses.h"
#include "runtime/core/utf16.h"

namespace {

TEST(AppAddresses, TheSharedTableHoldsOnWindows) {
  const app_address_places places{"/C:/Users/zo%C3%AB/Temp/webapp", "/C:/site", "https"};
  app_scope apps[std::size(site_starts)];
  for (size_t i = 0; i < std::size(site_starts); i++) apps[i].start_address = wide_of(with_places(site_starts[i], places));
  apps[folder_app] = {L"C:\\Users\\zo\u00eb\\Temp\\webapp/", L"", L""};
  apps[host_app] = {L"C:\\Users\\zo\u00eb\\Temp\\webapp", L"App.Wapp", L""};
  for (const auto& c : app_address_cases) {
    std::wstring address = wide_of(with_places(c.address, places));
    EXPECT_EQ(is_app_address(apps[c.app], address), c.own_on_windows) << c.address;
  }
  EXPECT_TRUE(is_app_address(apps[folder_app], L"file://C:\\Users\\zo\u00eb\\Temp\\webapp/index.html"));
  EXPECT_TRUE(app_is_site(apps[site_app]));
  EXPECT_FALSE(app_is_site(apps[folder_app]) || app_is_site(apps[host_app]));
}

}  // namespace
