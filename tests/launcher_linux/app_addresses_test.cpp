// The app-address table through the Linux launcher's rule.
#include <gtest/gtest.h>

#include "launcher-linux/app_addresses.h"
#include "launcher_common/app_address_cases.h"

namespace {

TEST(LinuxAppAddresses, TheSharedTableHoldsOnLinux) {
  const app_address_places places{"/run/user/1000/zo%C3%AB/webapp", "/srv/site", "wapp"};
  app_scope apps[std::size(site_starts)];
  for (size_t i = 0; i < std::size(site_starts); i++) apps[i].start_address = with_places(site_starts[i], places);
  apps[folder_app] = {"/run/user/1000/zo\u00eb/webapp/", "", ""};
  apps[host_app] = {"/run/user/1000/zo\u00eb/webapp", "App.Wapp", ""};
  for (const auto& c : app_address_cases)
    EXPECT_EQ(is_app_address(apps[c.app], with_places(c.address, places)), c.own_on_linux) << c.address;
}

}  // namespace
