// Creating, querying and closing numbered windows on the virtual display.
#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "window_test_support.h"

namespace {
using OpenWindow = window_test;

RECT outer_rect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

TEST_F(OpenWindow, FlagWordsBecomeStylesVisibilityAndPlacement) {
  struct style_case {
    int64_t flags;
    LONG_PTR present, absent, extended;
    bool visible, active;
  } cases[] = {
      {0, WS_CAPTION, WS_SYSMENU | WS_POPUP, 0, true, true},     // a title bar is added
      {0x80000000, WS_POPUP, WS_CAPTION, 0, true, true},         // frameless: none added
      {0x10000000, WS_CAPTION, WS_VISIBLE, 0, false, false},     // hidden, title bar added
      {0x5, WS_CAPTION, WS_MINIMIZEBOX, WS_EX_TOOLWINDOW, true, true},
      {0x2C80000, WS_SYSMENU, WS_CLIPCHILDREN, 0, true, false},  // no activation, not a style
  };
  for (const style_case& c : cases) {
    auto window = (HWND)open_window(0, 40, 50, 320, 240, L"styles", c.flags);
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    SCOPED_TRACE(testing::Message() << std::hex << "flags " << c.flags << " style " << style);
    EXPECT_EQ(style & c.present, c.present);
    EXPECT_EQ(style & (c.absent | 0x7), 0);  // the option bits never become class styles
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_EXSTYLE) & c.extended, c.extended);
    EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
    EXPECT_EQ(GetActiveWindow() == window, c.active);
    RECT r = outer_rect(window);
    if (c.flags & 0x1) {
      EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
      EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
    } else {
      EXPECT_EQ(r.left, 40);
      EXPECT_EQ(r.top, 50);
    }
  }
}

TEST_F(OpenWindow, InnerSizeIsTheClientAreaAt96Dpi) {
  ASSERT_EQ(display_scale.dpi_x, 96);
  auto window = (HWND)open_window(0, 10, 20, 800, 600, L"inner", 0xC80000);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_EQ(window_inner_width(0), 800);
  EXPECT_EQ(window_inner_height(0), 600);
  EXPECT_EQ(window_height(0, 0), outer_rect(window).bottom - outer_rect(window).top);
  EXPECT_EQ(window_inner_width(5), 0);
  EXPECT_EQ(window_handle(5), nullptr);
}

TEST_F(OpenWindow, DefaultPositionForXOrForYWithoutCentring) {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  RECT expected = outer_rect(probe);
  DestroyWindow(probe);
  for (auto [x, y] : {std::pair{default_position, 20}, std::pair{300, default_position}}) {
    RECT r = outer_rect((HWND)open_window(0, x, y, 300, 200, L"default", 0));
    EXPECT_EQ(r.left, expected.left) << x << ", " << y;
    EXPECT_EQ(r.top, expected.top) << x << ", " << y;
  }
}

TEST_F(OpenWindow, ReopeningANumberDestroysTheOldWindowAndDropsItsEvents) {
  auto first = (HWND)open_window(0, 10, 10, 200, 100, L"first", 0xC80000);
  post_event(70000, 0, 0, 0);
  post_event(70001, 0, 1, 0);
  auto second = (HWND)open_window(0, 10, 10, 200, 100, L"second", 0xC80000);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(window_handle(0), second);
  EXPECT_EQ(queued_codes({70000, 70001}), std::vector<int32_t>{70001});
  WNDCLASSW cls;
  close_window(0);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"WindowClass_0", &cls));
}

void close_the_posting_window() { close_window(current_event().window); }

// The activation in open_window runs bindings; one that closes the new
// window leaves nothing for open_window to finish.
TEST_F(OpenWindow, ABindingThatClosesTheWindowOnActivationEndsTheOpening) {
  HWND list = switch_gadget_list(nullptr);
  bind_event(event_activate, -1, -1, -1, close_the_posting_window);
  EXPECT_EQ(open_window(3, 10, 10, 200, 100, L"closed", 0xC80000), 0);
  EXPECT_EQ(open_window(any_number, 10, 10, 200, 100, L"closed", 0xC80000), 0);
  remove_window_bindings(-1);
  EXPECT_EQ(window_handle(3), nullptr);
  EXPECT_EQ(switch_gadget_list(nullptr), list);
}
}  // namespace
