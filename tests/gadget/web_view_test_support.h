#pragma once
// Gadget tests with a browser: the fake runtime registered as the installed
// one, no failure injected, and the thread in an OLE apartment.
#include "runtime/browser/webview.h"
#include "runtime/gadget/web_view.h"
#include "support/fake_runtime.h"
#include "test_gadgets.h"

class WebViewGadgetTest : public GadgetTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(begin_fake_runtime_test());
    GadgetTest::SetUp();
    clear_fake_record();
  }
  void TearDown() override {
    release_web_view_environment();
    GadgetTest::TearDown();
    webview::creation_timeout_ms = webview::default_creation_timeout_ms;
    end_fake_runtime_test();
  }
};

// The host windows of web views in the parent.
inline int web_view_hosts(HWND parent) {
  int hosts = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    hosts += !wcscmp(name, L"TiloWebView");
  }
  return hosts;
}
