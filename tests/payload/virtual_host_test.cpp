// The host names VirtualHost may hold. The launcher falls back to file://
// for everything else, and the packer refuses it.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "payload/virtual_host.h"

namespace {

bool accepted(const std::wstring& name) { return is_virtual_host_name(name.c_str(), name.size()); }

TEST(VirtualHostName, PlainDnsLabelsOnly) {
  const std::wstring label63(63, L'a');
  const std::wstring longest = label63 + L"." + label63 + L"." + label63 + L"." + std::wstring(61, L'b');
  ASSERT_EQ(longest.size(), 253u);
  for (const std::wstring& name : {std::wstring(L"app.wapp"), std::wstring(L"localhost"), std::wstring(L"a"),
                                   std::wstring(L"My-App.Example"), std::wstring(L"x1.y-2.z3"),
                                   std::wstring(L"app.0x1g"), std::wstring(L"1.app"), label63 + L".wapp", longest})
    EXPECT_TRUE(accepted(name)) << std::string(name.begin(), name.end());

  for (const std::wstring& name :
       {std::wstring(L""), std::wstring(L"https://app.wapp"), std::wstring(L"app.wapp:8443"),
        std::wstring(L"app.wapp/index.html"), std::wstring(L"user@app.wapp"), std::wstring(L"app wapp"),
        std::wstring(L" app.wapp"), std::wstring(L"app.wapp."), std::wstring(L".app.wapp"), std::wstring(L"app..wapp"),
        std::wstring(L"-app.wapp"), std::wstring(L"app-.wapp"), std::wstring(L"app.wapp-"), std::wstring(L"a_b.wapp"),
        std::wstring(L"caf\u00e9.wapp"), std::wstring(L"app.wapp\uff0e"), std::wstring(L"app\0wapp", 8),
        label63 + L"a.wapp", longest + L"b",
        // The address would name an IPv4 address, not the mapped host.
        std::wstring(L"127.0.0.1"), std::wstring(L"app.123"), std::wstring(L"app.0x7F"), std::wstring(L"0x")})
    EXPECT_FALSE(accepted(name)) << std::string(name.begin(), name.end());

  const std::string narrow = "app.wapp";
  EXPECT_TRUE(is_virtual_host_name(narrow.c_str(), narrow.size())) << "the packer's UTF-8 text";
  EXPECT_FALSE(is_virtual_host_name("caf\xC3\xA9.wapp", 10));
}

}  // namespace
