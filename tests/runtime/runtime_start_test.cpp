#include <gtest/gtest.h>

#include <ole2.h>
#include <clocale>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>

#include "runtime/core/files.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/hooks.h"
#include "runtime/core/memory.h"
#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/gadget/gadget.h"
#include "runtime/json/json.h"
#include "runtime/other/alpha_blend.h"
#include "runtime/other/bmp_codec.h"
#include "runtime/other/drawing.h"
#include "runtime/other/fonts.h"
#include "runtime/other/images.h"
#include "runtime/other/kernel_objects.h"
#include "runtime/other/menus.h"
#include "runtime/other/tray_icons.h"
#include "runtime/pack/pack.h"
#include "runtime/window/desktops.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/startup/runtime.h"
#include "runtime/window/windows.h"

namespace {

TEST(RuntimeSteps, RunInTheirFixedOrder) {
  const runtime_step start[] = {
      runtime_globals_once, locale_start,         string_library_start, memory_library_start,  array_support_start,
      display_scale_start,  file_library_start,   thread_slot_start,    font_library_start,    drawing_library_start,
      codec_table_start,    bmp_codec_start,      list_support_start,   image_library_start,   alpha_blend_start,
      tray_library_start,   map_support_start,    event_library_start,  menu_library_start,    window_library_start,
      ole_start,            gadget_library_start, json_library_start,   pack_library_start,    handle_library_start};
  const runtime_step stop[] = {pack_library_stop,  json_library_stop,  gadget_library_stop, ole_stop,
                               window_library_stop, event_library_stop, tray_library_stop,   alpha_blend_stop,
                               image_library_stop,  font_library_stop,  filesystem_library_stop,
                               file_library_stop,   desktop_library_stop, memory_library_stop};
  static_assert(std::size(start) == std::size(runtime_start_steps) && std::size(stop) == std::size(runtime_stop_steps));
  for (size_t i = 0; i < std::size(start); i++) EXPECT_EQ(runtime_start_steps[i], start[i]) << "start step " << i + 1;
  for (size_t i = 0; i < std::size(stop); i++) EXPECT_EQ(runtime_stop_steps[i], stop[i]) << "stop step " << i + 1;
  // The launcher's own heap survives the first step.
  HANDLE heap = runtime.heap;
  runtime_globals_once();
  EXPECT_EQ(runtime.heap, heap);
}

std::string formatted(double v) {
  char text[32];
  snprintf(text, sizeof(text), "%.2f", v);
  return text;
}

// Every category but numbers follows the user's settings, whatever the
// process had chosen before.
TEST(Locale, NumbersKeepAPointAfterACommaLocale) {
  const std::string user_ctype = setlocale(LC_CTYPE, "");
  ASSERT_NE(setlocale(LC_ALL, "German_Germany.1252"), nullptr);
  ASSERT_EQ(formatted(2.25), "2,25");
  locale_start();
  EXPECT_EQ(setlocale(LC_CTYPE, nullptr), user_ctype);
  EXPECT_EQ(formatted(2.25), "2.25");
  double scanned = 0;
  EXPECT_EQ(swscanf(L"2.25", L"%lf", &scanned), 1);
  EXPECT_EQ(scanned, 2.25);
}

struct scale_case {
  int32_t v, scaled, unscaled;
};

void expect_scale(double factor, std::initializer_list<scale_case> cases) {
  display_scale_start();
  EXPECT_EQ(display_scale.factor_x, factor);
  EXPECT_EQ(display_scale.factor_y, factor);
  for (const scale_case& c : cases) {
    EXPECT_EQ(scale_x(c.v), c.scaled) << c.v;
    EXPECT_EQ(scale_y(c.v), c.scaled) << c.v;
    EXPECT_EQ(unscale_x(c.v), c.unscaled) << c.v;
    EXPECT_EQ(unscale_y(c.v), c.unscaled) << c.v;
  }
}

TEST(DisplayScale, UnitsArePixelsAt96Dpi) { expect_scale(1.0, {{800, 800, 800}, {600, 600, 600}, {-7, -7, -7}}); }

// Both directions round to the nearest: 1201 / 1.5 = 800.67.
TEST(Dpi144DisplayScale, UnitsAreOneAndAHalfPixels) {
  expect_scale(1.5, {{800, 1200, 533}, {1200, 1800, 800}, {1201, 1802, 801}, {1199, 1799, 799}});
}

bool poster_class_registered() {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  return GetClassInfoExW(runtime.instance, L"PostEventClass", &info);
}

bool in_ole_apartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && (type == APTTYPE_STA || type == APTTYPE_MAINSTA);
}

// Start-up and shut-down run once per process. Only a gadget font made for
// a scaled screen is the runtime's to delete.
void run_start_and_stop(bool font_outlives_stop) {
  runtime_start();
  for (registry* r : {font_registry, image_registry, tray_registry, menu_registry, window_registry, gadget_registry,
                      json_registry, handle_registry})
    EXPECT_NE(r, nullptr);
  EXPECT_NE(find_decoder(bmp_format_tag), nullptr);
  EXPECT_EQ(taskbar_created_message, RegisterWindowMessageW(L"TaskbarCreated"));
  EXPECT_TRUE(poster_class_registered());
  HWND poster = FindWindowW(L"PostEventClass", nullptr);
  EXPECT_NE(poster, nullptr);
  EXPECT_FALSE(IsWindowVisible(poster));
  EXPECT_TRUE(in_ole_apartment());
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = 500;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 500, &metrics, 0));
  HFONT font = default_gadget_font;
  LOGFONTW described = {};
  ASSERT_EQ(GetObjectW(font, sizeof(described), &described), (int)sizeof(described));
  EXPECT_STREQ(described.lfFaceName, metrics.lfMessageFont.lfFaceName);

  // Left open for the stop steps to close.
  ASSERT_NE(open_window(0, 0, 0, 200, 100, L"runtime stop", window_invisible), 0);
  HWND window = window_handle(0);

  runtime_stop();
  memory_library_start();  // for the tests that follow
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(poster));
  EXPECT_FALSE(poster_class_registered());
  EXPECT_FALSE(in_ole_apartment());
  EXPECT_EQ(alpha_blending.library, nullptr);
  EXPECT_EQ(GetObjectType(font), font_outlives_stop ? (DWORD)OBJ_FONT : 0u);
}

TEST(RuntimeStartStop, ReleasesWhatStartUpPrepared) { run_start_and_stop(true); }
TEST(Dpi144RuntimeStartStop, AlsoDeletesTheScaledGadgetFont) { run_start_and_stop(false); }

}  // namespace
