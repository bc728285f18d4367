// Gadget geometry on a 144-dpi screen: 1.5 device pixels per logical unit.
#include "runtime/window/display_scale.h"
#include "test_gadgets.h"
#include "web_view_test_support.h"

class Dpi144Gadget : public GadgetTest {};

TEST_F(Dpi144Gadget, ResizeScalesToDevicePixelsAndKeepsPixelPositions) {
  ASSERT_EQ(display_scale.dpi_x, 144);
  auto window = (HWND)(intptr_t)create_test_gadget(1, &plain_kind);
  resize_gadget(1, 0, 0, 800, 600);
  RECT rect = rect_in_parent(window), expected{0, 0, 1200, 900};
  EXPECT_TRUE(EqualRect(&rect, &expected));
  MoveWindow(window, 7, 9, 10, 10, FALSE);
  resize_gadget(1, keep_current, keep_current, 300, 200);
  rect = rect_in_parent(window), expected = {7, 9, 7 + 450, 9 + 300};
  EXPECT_TRUE(EqualRect(&rect, &expected));
}

TEST(Dpi144GadgetLibrary, StopDeletesTheFontWhenScaled) {
  HFONT font = default_gadget_font;
  gadget_library_stop();
  EXPECT_EQ(GetObjectType(font), 0u);
}

class Dpi144WebView : public WebViewGadgetTest {};

TEST_F(Dpi144WebView, HostAndBrowserAreInDevicePixels) {
  auto host = (HWND)(intptr_t)create_web_view_gadget(1, 0, 0, 800, 600);
  ASSERT_NE(host, nullptr);
  RECT rect = rect_in_parent(host), expected{0, 0, 1200, 900};
  EXPECT_TRUE(EqualRect(&rect, &expected));
  EXPECT_EQ(last_fake_value(fake_record_in_process(), "bounds"), "0 0 1200 900");
}
