// Runs in the 144-dpi prefix only: a logical unit is one and a half device
// pixels, and the queries answer in logical units again.
#include "runtime/window/display_scale.h"
#include "window_test_support.h"

namespace {
using Dpi144Windows = window_test;

TEST_F(Dpi144Windows, ClientAreaIsScaledAndInnerQueriesAreNot) {
  ASSERT_EQ(display_scale.dpi_x, 144);
  auto window = (HWND)open_window(0, 10, 20, 800, 600, L"scaled", 0xC80000);
  RECT client{}, outer{};
  GetClientRect(window, &client);
  GetWindowRect(window, &outer);
  EXPECT_EQ(client.right, 1200);
  EXPECT_EQ(client.bottom, 900);
  EXPECT_EQ(window_inner_width(0), 800);
  EXPECT_EQ(window_inner_height(0), 600);
  EXPECT_EQ(outer.left, 15);  // no correction without a resizable border
  EXPECT_EQ(outer.top, 30);
}
}  // namespace
