// The virtual display and Wine's user32 behave like a desktop: a real
// top-level window can be resized and reports its new client size.
#include <windows.h>
#include <gtest/gtest.h>

namespace {
int last_width = -1, last_height = -1;

LRESULT CALLBACK record_size(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE) {
    last_width = LOWORD(lparam);
    last_height = HIWORD(lparam);
  }
  return DefWindowProcW(window, message, wparam, lparam);
}
}  // namespace

TEST(Platform, SetWindowPosDeliversWmSizeWithTheNewClientSize) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = record_size;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"HarnessWindow";
  ASSERT_NE(RegisterClassW(&cls), 0);
  HWND window = CreateWindowExW(0, L"HarnessWindow", L"harness", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                10, 10, 300, 200, nullptr, nullptr, cls.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  ASSERT_TRUE(SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(last_width, client.right);
  EXPECT_EQ(last_height, client.bottom);
  EXPECT_GT(client.right, 500);
  EXPECT_LT(client.right, 640);  // the frame takes part of the outer size

  DestroyWindow(window);
  UnregisterClassW(L"HarnessWindow", cls.hInstance);
}
