// Runs in the 144-dpi prefix only: logical units become one and a half
// device pixels, and the queries answer in logical units again.
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
  // No correction without a resizable border.
  EXPECT_EQ(outer.left, 15);
  EXPECT_EQ(outer.top, 30);
  EXPECT_EQ(window_width(0, 0), unscale_x(outer.right - outer.left));
  EXPECT_EQ(window_height(0, 0), unscale_y(outer.bottom - outer.top));
}

TEST_F(Dpi144Windows, SizeEventsReportTheNewInnerSizeInLogicalUnits) {
  auto window = (HWND)open_window(0, 10, 20, 400, 300, L"scaled", 0xC40000);
  drain();
  RECT outer{};
  GetWindowRect(window, &outer);
  // Grow the client area by 150 x 75 device pixels: 100 x 50 logical units.
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 150, outer.bottom - outer.top + 75,
               SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(queued_events().back(), (queued_event{event_size, 0, 0, 0}));
  EXPECT_EQ(window_inner_width(0), 500);
  EXPECT_EQ(window_inner_height(0), 350);
}
}  // namespace
