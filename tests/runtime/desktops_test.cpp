#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/runtime_globals.h"
#include "runtime/window/desktops.h"

namespace {

// The first test of the process to examine the desktops. Sizes are device
// pixels, so the 144-dpi run expects the same.
void expect_the_virtual_screen() {
  EXPECT_EQ(desktop_width(0), 0);
  ASSERT_EQ(examine_desktops(), 1);
  EXPECT_EQ(desktop_width(0), 1920);
  EXPECT_EQ(desktop_height(0), 1080);
  for (int32_t outside : {-1, 1}) {
    EXPECT_EQ(desktop_width(outside), 0);
    EXPECT_EQ(desktop_height(outside), 0);
  }
}
TEST(Desktops, TheVirtualScreenIsOneDisplay) { expect_the_virtual_screen(); }
TEST(Dpi144Desktops, TheVirtualScreenIsOneDisplay) { expect_the_virtual_screen(); }

struct fake_display {
  std::wstring name;
  DWORD flags;
  int32_t x, width, height;  // width 0: its settings cannot be read
};
std::vector<fake_display> displays;

BOOL WINAPI fake_devices(LPCWSTR, DWORD i, DISPLAY_DEVICEW* device, DWORD) {
  if (i >= displays.size()) return FALSE;
  wcscpy(device->DeviceName, displays[i].name.c_str());
  device->StateFlags = displays[i].flags;
  return TRUE;
}

BOOL WINAPI fake_settings(LPCWSTR name, DWORD, DEVMODEW* mode) {
  for (const fake_display& d : displays) {
    if (d.name != name || !d.width) continue;
    mode->dmPosition.x = d.x;
    mode->dmPelsWidth = d.width;
    mode->dmPelsHeight = d.height;
    return TRUE;
  }
  return FALSE;
}

constexpr DWORD attached = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
constexpr DWORD primary = attached | DISPLAY_DEVICE_PRIMARY_DEVICE;

class FakeDesktops : public ::testing::Test {
 protected:
  void SetUp() override {
    examine_desktops();  // loads User32.DLL first, so that the fakes stay in place
    saved_ = desktops;
    desktops.enum_display_devices = fake_devices;
    desktops.enum_display_settings = fake_settings;
  }
  void TearDown() override {
    desktops.enum_display_devices = saved_.enum_display_devices;
    desktops.enum_display_settings = saved_.enum_display_settings;
  }
  desktop_library_record saved_;
};

struct expected_desktop {
  int32_t x, width;
  const wchar_t* name;
};

TEST_F(FakeDesktops, PrimaryFirstThenTheOthersInEnumerationOrder) {
  const struct {
    const char* what;
    std::vector<fake_display> displays;
    std::vector<expected_desktop> expected;
  } cases[] = {
      {"secondary enumerated first",
       {{L"D2", attached, -1280, 1280, 1024}, {L"D1", primary, 0, 1920, 1080}},
       {{0, 1920, L"D1"}, {-1280, 1280, L"D2"}}},
      {"detached devices are not counted", {{L"D1", 0, 0, 800, 600}, {L"D2", primary, 0, 1024, 768}}, {{0, 1024, L"D2"}}},
      {"unreadable settings leave a zero record at the end",
       {{L"D1", primary, 0, 1920, 1080}, {L"D2", attached, 0, 0, 0}, {L"D3", attached, 1920, 1600, 900}},
       {{0, 1920, L"D1"}, {1920, 1600, L"D3"}, {0, 0, L""}}},
      // Fewer displays than before: the indexes beyond them give 0 again.
      {"no primary: record 0 stays zero and nothing is written past the table",
       {{L"D1", attached, 0, 1024, 768}, {L"D2", attached, 1024, 800, 600}},
       {{0, 0, L""}, {0, 1024, L"D1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    displays = c.displays;
    ASSERT_EQ(examine_desktops(), (int64_t)c.expected.size());
    for (int32_t i = 0; i < (int32_t)c.expected.size(); i++) {
      EXPECT_EQ(desktops.table[i].x, c.expected[i].x) << i;
      EXPECT_EQ(desktop_width(i), c.expected[i].width) << i;
      EXPECT_STREQ(desktops.table[i].device_name, c.expected[i].name) << i;
    }
    EXPECT_EQ(desktop_width((int32_t)c.expected.size()), 0);
    // A record written past the table shows as a damaged heap.
    ASSERT_TRUE(HeapValidate(runtime.heap, 0, nullptr));
  }
}

// With no display attached, or no device enumeration at all, one record
// describes the whole screen.
TEST_F(FakeDesktops, FallsBackToTheWholeScreen) {
  displays = {{L"D1", 0, 0, 800, 600}};
  for (auto devices : {desktops.enum_display_devices, enum_display_devices_routine()}) {
    desktops.enum_display_devices = devices;
    ASSERT_EQ(examine_desktops(), 1);
    const desktop_record& d = desktops.table[0];
    EXPECT_EQ(d.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(d.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_GT(d.colour_depth, 0);
    EXPECT_NE(d.refresh_rate, 1);
    EXPECT_STREQ(d.device_name, L"");
  }
}

}  // namespace
