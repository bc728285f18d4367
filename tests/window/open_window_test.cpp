// Creating, querying and closing numbered windows on the virtual display.
#include <algorithm>

#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "window_test_support.h"

namespace {
LONG_PTR style_of(HWND w) { return GetWindowLongPtrW(w, GWL_STYLE); }
LONG_PTR extended_style_of(HWND w) { return GetWindowLongPtrW(w, GWL_EXSTYLE); }

RECT outer_rect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

bool has_class(int64_t number) {
  wchar_t name[40];
  swprintf(name, 40, L"WindowClass_%lld", (long long)number);
  WNDCLASSW cls;
  return GetClassInfoW(GetModuleHandleW(nullptr), name, &cls);
}

// Where the system puts a window created at the default position.
POINT system_default_position(DWORD style) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"DefaultPositionProbe";
  RegisterClassW(&cls);
  HWND probe = CreateWindowExW(0, cls.lpszClassName, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr,
                               nullptr, cls.hInstance, nullptr);
  RECT r = outer_rect(probe);
  DestroyWindow(probe);
  UnregisterClassW(cls.lpszClassName, cls.hInstance);
  return {r.left, r.top};
}

struct style_case {
  int64_t flags;
  LONG_PTR present;   // style bits that must be set
  LONG_PTR absent;    // style bits that must be clear
  LONG_PTR extended;  // extended style bits that must be set
  bool visible;
  bool active;
};

class OpenWindowStyles : public window_test, public ::testing::WithParamInterface<style_case> {};

TEST_P(OpenWindowStyles, FlagWordBecomesStyleVisibilityAndActivation) {
  const style_case& c = GetParam();
  auto window = (HWND)open_window(0, 40, 50, 320, 240, L"styles", c.flags);
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(style_of(window) & c.present, c.present);
  EXPECT_EQ(style_of(window) & c.absent, 0);
  // Runtime options never reach the system as class-specific style bits.
  EXPECT_EQ(style_of(window) & 0x7, 0);
  EXPECT_EQ(extended_style_of(window) & c.extended, c.extended);
  EXPECT_EQ(IsWindowVisible(window) != 0, c.visible);
  EXPECT_EQ(GetActiveWindow() == window, c.active);
}

INSTANTIATE_TEST_SUITE_P(
    FlagWords, OpenWindowStyles,
    ::testing::Values(
        // Nothing asked for: a title bar is added, but no system menu.
        style_case{0, WS_CAPTION, WS_SYSMENU | WS_POPUP | WS_THICKFRAME, 0, true, true},
        // Frameless: no title bar is added.
        style_case{0x80000000, WS_POPUP, WS_CAPTION, 0, true, true},
        // Invisible alone still gets its title bar, and is not shown.
        style_case{0x10000000, WS_CAPTION, WS_VISIBLE, 0, false, false},
        // Tool window centred on screen.
        style_case{0x5, WS_CAPTION, WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_EX_TOOLWINDOW, true, true},
        // A tool window drops minimize and maximize, boxes and states alike.
        style_case{0x21C30004, WS_CAPTION, WS_MINIMIZE | WS_MAXIMIZE | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                   WS_EX_TOOLWINDOW, true, true},
        // Show without activating is not WS_CLIPCHILDREN.
        style_case{0x2C80000, WS_CAPTION | WS_SYSMENU, WS_CLIPCHILDREN, 0, true, false},
        // The launcher's resizable window with both boxes.
        style_case{0xCF0000, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, 0,
                   true, true}));

using OpenWindow = window_test;

TEST_F(OpenWindow, ToolWindowCentredOnScreen) {
  auto window = (HWND)open_window(0, 0, 0, 300, 200, L"tool", 0x5);
  RECT r = outer_rect(window);
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(r.left, (sw - (r.right - r.left)) / 2);
  EXPECT_EQ(r.top, (sh - (r.bottom - r.top)) / 2);
}

TEST_F(OpenWindow, WindowLargerThanTheScreenIsCentredAsIfItFitted) {
  auto window = (HWND)open_window(0, 0, 0, 4000, 3000, L"big", 0x1 | 0xC80000);
  RECT r = outer_rect(window);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
}

TEST_F(OpenWindow, ClientAreaAndInnerQueriesAt96Dpi) {
  ASSERT_EQ(display_scale.dpi_x, 96);
  auto window = (HWND)open_window(0, 10, 20, 800, 600, L"inner", 0xC80000);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_EQ(window_inner_width(0), 800);
  EXPECT_EQ(window_inner_height(0), 600);
  RECT r = outer_rect(window);
  EXPECT_EQ(window_width(0, 0), r.right - r.left);
  EXPECT_EQ(window_height(0, 0), r.bottom - r.top);
  EXPECT_GT(window_height(0, 0), 600);  // the title bar is outside the inner size
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
}

TEST_F(OpenWindow, ResizableWindowIsShiftedLeftOnlyUnderComposition) {
  BOOL composition = FALSE;
  if (HMODULE dwm = LoadLibraryW(L"dwmapi.dll")) {
    auto query = (HRESULT(WINAPI*)(BOOL*))(void*)GetProcAddress(dwm, "DwmIsCompositionEnabled");
    if (query) query(&composition);
  }
  auto window = (HWND)open_window(0, 100, 120, 400, 300, L"resizable", 0xC40000);
  RECT r = outer_rect(window);
  EXPECT_EQ(r.left, 100 - (composition ? 8 : 0));
  EXPECT_EQ(r.top, 120);
}

TEST_F(OpenWindow, QueriesOfAnUnknownNumberAnswerZero) {
  EXPECT_EQ(window_inner_width(5), 0);
  EXPECT_EQ(window_inner_height(5), 0);
  EXPECT_EQ(window_width(5, 0), 0);
  EXPECT_EQ(window_handle(5), nullptr);
  close_window(5);  // nothing to do, and nothing goes wrong
}

TEST_F(OpenWindow, DefaultPositionWhenXOrOnlyYIsTheDefaultMarker) {
  POINT expected = system_default_position(WS_CAPTION);
  auto by_x = (HWND)open_window(0, default_position, 20, 300, 200, L"x", 0);
  RECT r = outer_rect(by_x);
  EXPECT_EQ(r.left, expected.x);
  EXPECT_EQ(r.top, expected.y);
  close_window(0);

  // x given, y the marker, no centring: both coordinates are the default.
  auto by_y = (HWND)open_window(0, 300, default_position, 300, 200, L"y", 0);
  r = outer_rect(by_y);
  EXPECT_EQ(r.left, expected.x);
  EXPECT_EQ(r.top, expected.y);
}

TEST_F(OpenWindow, CentringOverridesAMissingY) {
  auto window = (HWND)open_window(0, 300, default_position, 300, 200, L"centred", 0x1 | 0xC80000);
  RECT r = outer_rect(window);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);
}

TEST_F(OpenWindow, CentredOnItsParentAndNeverAboveOrLeftOfTheScreen) {
  auto parent = (HWND)open_window(0, 100, 100, 600, 400, L"parent", 0xC80000);
  auto child = (HWND)open_window(1, 0, 0, 200, 100, L"child", 0x2 | 0xC80000, parent);
  RECT p = outer_rect(parent), c = outer_rect(child);
  EXPECT_EQ(GetWindow(child, GW_OWNER), parent);
  EXPECT_EQ(c.left, p.left + ((p.right - p.left) - (c.right - c.left)) / 2);
  EXPECT_EQ(c.top, p.top + ((p.bottom - p.top) - (c.bottom - c.top)) / 2);

  auto small = (HWND)open_window(2, 0, 0, 50, 40, L"small", 0xC80000);
  auto large = (HWND)open_window(3, 70, 80, 700, 500, L"large", 0x2 | 0xC80000, small);
  c = outer_rect(large);
  EXPECT_EQ(c.left, 0);
  EXPECT_EQ(c.top, 0);

  // Centring on a parent without a parent leaves the window where it was made.
  auto alone = (HWND)open_window(4, 70, 80, 200, 100, L"alone", 0x2 | 0xC80000);
  c = outer_rect(alone);
  EXPECT_EQ(c.left, 70);
  EXPECT_EQ(c.top, 80);
}

TEST_F(OpenWindow, ReopeningANumberDestroysTheOldWindowAndDropsItsEvents) {
  auto first = (HWND)open_window(0, 10, 10, 200, 100, L"first", 0xC80000);
  open_window(1, 300, 10, 200, 100, L"other", 0xC80000);
  post_event(70000, 0, 0, 0);
  post_event(70001, 0, 1, 0);
  auto second = (HWND)open_window(0, 10, 10, 200, 100, L"second", 0xC80000);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(window_handle(0), second);
  auto events = queued_events();
  EXPECT_EQ(std::count(events.begin(), events.end(), queued_event{70000, 0, 0, 0}), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), queued_event{70001, 0, 1, 0}), 1);
}

TEST_F(OpenWindow, AnyNumberHandsOutIdentifiersThatWorkAsNumbers) {
  int64_t a = open_window(any_number, 10, 10, 200, 100, L"a", 0xC80000);
  int64_t b = open_window(any_number, 10, 10, 220, 100, L"b", 0xC80000);
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  HWND window_a = window_handle(a);
  ASSERT_TRUE(IsWindow(window_a));
  EXPECT_NE((int64_t)(intptr_t)window_a, a);
  EXPECT_EQ(GetPropW(window_a, L"TL_WindowID"), (HANDLE)(intptr_t)(a + 1));
  EXPECT_EQ(window_inner_width(b), 220);
  close_window(a);
  EXPECT_FALSE(IsWindow(window_a));
  EXPECT_EQ(window_handle(a), nullptr);
  EXPECT_NE(window_handle(b), nullptr);
}

TEST_F(OpenWindow, ClosingTearsDownEverythingTheWindowHad) {
  auto window = (HWND)open_window(0, 10, 10, 200, 100, L"gone", 0xC80000);
  auto* record = (window_record*)find_object(window_registry, 0);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->accelerator_count, 2);
  EXPECT_NE(record->accelerator_table, nullptr);
  EXPECT_EQ(record->ready, 1);
  post_event(70000, 0, 0, 0);
  close_window(0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(window_handle(0), nullptr);
  EXPECT_FALSE(has_class(0));
  EXPECT_TRUE(queued_codes(0).empty());
  // The number is free for a new window.
  EXPECT_NE(open_window(0, 10, 10, 200, 100, L"again", 0xC80000), 0);
}

TEST_F(OpenWindow, DestroyingTheWindowDirectlyFreesItsNumber) {
  auto window = (HWND)open_window(0, 10, 10, 200, 100, L"direct", 0xC80000);
  post_event(70000, 0, 0, 0);
  DestroyWindow(window);
  EXPECT_EQ(window_handle(0), nullptr);
  EXPECT_EQ(GetPropW(window, L"TL_WindowID"), nullptr);
  EXPECT_TRUE(queued_codes(0).empty());
}

TEST_F(OpenWindow, CloseAllClosesNumberedAndDynamicWindows) {
  auto w0 = (HWND)open_window(0, 10, 10, 200, 100, L"0", 0xC80000);
  auto w3 = (HWND)open_window(3, 10, 10, 200, 100, L"3", 0xC80000);
  HWND dynamic = window_handle(open_window(any_number, 10, 10, 200, 100, L"d", 0xC80000));
  close_window(any_number);
  EXPECT_FALSE(IsWindow(w0));
  EXPECT_FALSE(IsWindow(w3));
  EXPECT_FALSE(IsWindow(dynamic));
}

TEST_F(OpenWindow, NewWindowBecomesTheGadgetListUnlessAskedToKeepIt) {
  auto first = (HWND)open_window(0, 10, 10, 200, 100, L"list", 0xC80000);
  EXPECT_EQ(switch_gadget_list(nullptr), first);
  open_window(1, 10, 10, 200, 100, L"kept", 0x8 | 0xC80000);
  EXPECT_EQ(switch_gadget_list(nullptr), first);
}
}  // namespace
