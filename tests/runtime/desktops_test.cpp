#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/runtime_globals.h"
#include "runtime/window/desktops.h"

namespace {

// Must run before anything else examines the desktops in this process.
TEST(Desktops, EveryIndexIsZeroBeforeTheFirstExamine) {
  ASSERT_EQ(desktops.table, nullptr);
  for (int32_t index : {-1, 0, 1}) {
    EXPECT_EQ(desktop_width(index), 0);
    EXPECT_EQ(desktop_height(index), 0);
  }
}

TEST(Desktops, TheVirtualScreenIsOneDisplayAtIndexZero) {
  ASSERT_EQ(examine_desktops(), 1);
  EXPECT_EQ(desktop_width(0), 1920);
  EXPECT_EQ(desktop_height(0), 1080);
  EXPECT_EQ(desktop_width(-1), 0);
  EXPECT_EQ(desktop_width(1), 0);
  EXPECT_EQ(desktop_height(1), 0);
}

// Device pixels are reported as they are, whatever the screen's DPI.
TEST(Dpi144Desktops, SizesAreNotScaled) {
  ASSERT_EQ(examine_desktops(), 1);
  EXPECT_EQ(desktop_width(0), 1920);
  EXPECT_EQ(desktop_height(0), 1080);
}

struct fake_display {
  std::wstring name;
  DWORD flags;
  int32_t x, width, height;  // width 0: its settings cannot be read
};

std::vector<fake_display> fake_displays;

BOOL WINAPI fake_enum_devices(LPCWSTR, DWORD i, DISPLAY_DEVICEW* device, DWORD) {
  if (i >= fake_displays.size()) return FALSE;
  wcscpy(device->DeviceName, fake_displays[i].name.c_str());
  device->StateFlags = fake_displays[i].flags;
  return TRUE;
}

BOOL WINAPI fake_enum_settings(LPCWSTR name, DWORD, DEVMODEW* mode) {
  for (const fake_display& d : fake_displays) {
    if (d.name != name || !d.width) continue;
    mode->dmPosition.x = d.x;
    mode->dmPosition.y = 0;
    mode->dmPelsWidth = d.width;
    mode->dmPelsHeight = d.height;
    mode->dmDisplayFrequency = 60;
    mode->dmBitsPerPel = 32;
    return TRUE;
  }
  return FALSE;
}

constexpr DWORD attached = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
constexpr DWORD primary = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;

class FakeDesktops : public ::testing::Test {
 protected:
  void SetUp() override {
    examine_desktops();  // loads User32.DLL, so that the routines stay replaced
    saved_ = desktops;
    desktops.enum_display_devices = fake_enum_devices;
    desktops.enum_display_settings = fake_enum_settings;
  }
  void TearDown() override {
    desktops.enum_display_devices = saved_.enum_display_devices;
    desktops.enum_display_settings = saved_.enum_display_settings;
    EXPECT_TRUE(HeapValidate(runtime.heap, 0, nullptr));
  }
  desktop_library_record saved_;
};

struct expected_desktop {
  int32_t x, width, height;
  const wchar_t* name;
};

struct inventory_case {
  const char* what;
  std::vector<fake_display> displays;
  std::vector<expected_desktop> expected;
};

TEST_F(FakeDesktops, PrimaryFirstThenTheOthersInEnumerationOrder) {
  const inventory_case cases[] = {
      {"secondary enumerated first",
       {{L"\\\\.\\DISPLAY2", attached, -1280, 1280, 1024}, {L"\\\\.\\DISPLAY1", primary, 0, 1920, 1080}},
       {{0, 1920, 1080, L"\\\\.\\DISPLAY1"}, {-1280, 1280, 1024, L"\\\\.\\DISPLAY2"}}},
      {"detached devices are not counted",
       {{L"\\\\.\\DISPLAY1", 0, 0, 800, 600}, {L"\\\\.\\DISPLAY2", primary, 0, 1024, 768}},
       {{0, 1024, 768, L"\\\\.\\DISPLAY2"}}},
      {"unreadable settings leave a zero record at the end",
       {{L"\\\\.\\DISPLAY1", primary, 0, 1920, 1080}, {L"\\\\.\\DISPLAY2", attached, 0, 0, 0},
        {L"\\\\.\\DISPLAY3", attached, 1920, 1600, 900}},
       {{0, 1920, 1080, L"\\\\.\\DISPLAY1"}, {1920, 1600, 900, L"\\\\.\\DISPLAY3"}, {0, 0, 0, L""}}},
      {"no primary: record 0 stays zero and nothing is written past the table",
       {{L"\\\\.\\DISPLAY1", attached, 0, 1024, 768}, {L"\\\\.\\DISPLAY2", attached, 1024, 800, 600}},
       {{0, 0, 0, L""}, {0, 1024, 768, L"\\\\.\\DISPLAY1"}}},
  };
  for (const inventory_case& c : cases) {
    SCOPED_TRACE(c.what);
    fake_displays = c.displays;
    ASSERT_EQ(examine_desktops(), (int64_t)c.expected.size());
    for (size_t i = 0; i < c.expected.size(); i++) {
      SCOPED_TRACE(i);
      EXPECT_EQ(desktops.table[i].x, c.expected[i].x);
      EXPECT_EQ(desktop_width((int32_t)i), c.expected[i].width);
      EXPECT_EQ(desktop_height((int32_t)i), c.expected[i].height);
      EXPECT_STREQ(desktops.table[i].device_name, c.expected[i].name);
    }
    EXPECT_EQ(desktop_width((int32_t)c.expected.size()), 0);
    ASSERT_TRUE(HeapValidate(runtime.heap, 0, nullptr));
  }
}

TEST_F(FakeDesktops, ARemovedDisplayLeavesTheTable) {
  fake_displays = {{L"\\\\.\\DISPLAY1", primary, 0, 1920, 1080}, {L"\\\\.\\DISPLAY2", attached, 1920, 1280, 1024}};
  ASSERT_EQ(examine_desktops(), 2);
  EXPECT_EQ(desktop_width(1), 1280);
  fake_displays.pop_back();
  ASSERT_EQ(examine_desktops(), 1);
  EXPECT_EQ(desktop_width(0), 1920);
  EXPECT_EQ(desktop_width(1), 0);
  EXPECT_EQ(desktop_height(1), 0);
}

// Without the device enumeration, or with no display attached, the display
// DC describes one screen.
TEST_F(FakeDesktops, FallsBackToTheWholeScreen) {
  for (bool without_enumeration : {false, true}) {
    SCOPED_TRACE(without_enumeration ? "no EnumDisplayDevicesW" : "nothing attached");
    fake_displays = {{L"\\\\.\\DISPLAY1", 0, 0, 800, 600}};
    if (without_enumeration) desktops.enum_display_devices = nullptr;
    ASSERT_EQ(examine_desktops(), 1);
    const desktop_record& d = desktops.table[0];
    EXPECT_EQ(d.x, 0);
    EXPECT_EQ(d.y, 0);
    EXPECT_EQ(d.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(d.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(d.colour_depth, 0);
    EXPECT_NE(d.refresh_rate, 1);
    EXPECT_STREQ(d.device_name, L"");
    EXPECT_EQ(desktop_width(1), 0);
  }
}

TEST(Desktops, StopUnloadsUser32) {
  examine_desktops();
  ASSERT_NE(desktops.user32, nullptr);
  desktop_library_stop();
  EXPECT_EQ(desktops.user32, nullptr);
  EXPECT_EQ(desktops.enum_display_devices, nullptr);
  // The table from before stays readable.
  EXPECT_EQ(desktop_width(0), 1920);
}

}  // namespace
