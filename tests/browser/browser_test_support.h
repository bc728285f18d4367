#pragma once
// A host window on an OLE thread, with the fake runtime registered as the
// installed one and no failure injected.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fakes/fake_webview2.h"
#include "runtime/browser/webview.h"
#include "support/fake_runtime.h"

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(begin_fake_runtime_test());
    clear_fake_record();
    host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 420, 320, nullptr,
                           nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(host);
    webview::creation_timeout_ms = webview::default_creation_timeout_ms;
    end_fake_runtime_test();
  }
  HWND host = nullptr;
};

