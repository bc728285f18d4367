#pragma once
// A host window on an OLE thread, with the fake runtime registered as the
// installed one and no failure injected.
#include <gtest/gtest.h>
#include <ole2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "fakes/fake_webview2.h"
#include "runtime/browser/webview.h"
#include "support/fake_runtime.h"

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    unregister_fake_runtime();
    ASSERT_FALSE(register_fake_runtime().empty());
    SetEnvironmentVariableW(fake_fail_variable, nullptr);
    clear_fake_record();
    host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 420, 320, nullptr,
                           nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(host);
    SetEnvironmentVariableW(fake_fail_variable, nullptr);
    unregister_fake_runtime();
    webview::creation_timeout_ms = webview::default_creation_timeout_ms;
    OleUninitialize();
  }
  HWND host = nullptr;
};

inline std::string rect_text(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

inline std::string utf8_of(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  return out;
}
