// Which runtime is loaded: only a registered one that is usable, machine-wide
// before the user's, and nothing at all without one.
#include "browser_test_support.h"

namespace {

// Whether a browser could be embedded with the registrations in place.
bool runtime_found(HWND host) {
  webview::webview browser(false, host);
  return browser.window() == host;
}

TEST_F(BrowserTest, OnlyAUsableRegisteredRuntimeIsLoaded) {
  unregister_fake_runtime();
  EXPECT_FALSE(runtime_found(host)) << "no registration, no loader";

  register_fake_runtime(L"120.0.2210.91", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
  EXPECT_FALSE(runtime_found(host)) << "only the 32-bit view counts";
  unregister_fake_runtime();

  register_fake_runtime(L"121.0.1.0", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, false);
  EXPECT_FALSE(runtime_found(host)) << "a folder without its DLL";
  unregister_fake_runtime();

  // Too old machine-wide, usable for the user: the old one is not even loaded.
  std::wstring old_folder = register_fake_runtime(L"80.0.1.0", HKEY_LOCAL_MACHINE);
  ASSERT_FALSE(old_folder.empty());
  register_fake_runtime(L"120.0.2210.91", HKEY_CURRENT_USER);
  clear_fake_record();
  EXPECT_TRUE(runtime_found(host));
  EXPECT_EQ(GetModuleHandleW((old_folder + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll").c_str()), nullptr);
  EXPECT_EQ(fake_values(fake_record_in_process(), "create_environment").size(), 1u);
}

TEST(RuntimeVersion, IsFourNumbersNotBelowTheMinimum) {
  for (const wchar_t* usable : {L"C:\\rt\\86.0.616.0", L"C:/rt/120.0.2210.91", L"86.0.616.1", L"86.1.0.0", L"100.0.0.0"})
    EXPECT_TRUE(is_usable_runtime_version(usable)) << utf8_of(usable);
  for (const wchar_t* unusable : {L"C:\\rt\\86.0.615.99", L"80.0.1.0", L"120.0.2210", L"120.0.2210.91.1",
                                  L"120.0.2210.91b", L"120..2210.91", L"", L"C:\\rt\\", L"99999999999.0.0.0"})
    EXPECT_FALSE(is_usable_runtime_version(unusable)) << utf8_of(unusable);
}

}  // namespace
