// The remembered window's file, read back as both launchers read it, and
// the rule that drops a place no screen holds any more.
#include <gtest/gtest.h>

#include <string>

#include "launcher-common/window_place.h"

namespace {

TEST(WindowPlace, OnlyTheLaunchersOwnObjectReadsBack) {
  const window_place place = {-8, 1200, 1024, 768, true};
  window_place read = {};
  ASSERT_TRUE(read_window_place(window_place_text(place), read));
  EXPECT_EQ(window_place_text(read),
            "{\"x\": -8, \"y\": 1200, \"width\": 1024, \"height\": 768, \"maximized\": true}\n");
  struct {
    const char* text;
    bool sound;
  } cases[] = {
      {"{\"maximized\":false,\"height\":1,\"width\":1,\"y\":0,\"x\":0}", true},  // any order, no spaces
      {" \r\n{ \"x\" : -1000000 , \"y\":1000000,\"width\":5,\"height\":5,\"maximized\":true }\r\n", true},
      {"", false},
      {"{\"x\": 1, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": fals", false},  // cut short
      {"{\"x\": 1, \"y\": 2, \"width\": 3, \"height\": 4}", false},                      // a member missing
      {"{\"x\": 1, \"x\": 1, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": 1, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false, \"z\": 0}", false},
      {"{\"x\": 1, \"y\": 2, \"width\": 0, \"height\": 4, \"maximized\": false}", false},  // no size
      {"{\"x\": 1000001, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": 99999999999999999999, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": 1.5, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": 01, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": \"1\", \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": 0}", false},
      {"{\"\\u0078\": 1, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false}", false},
      {"{\"x\": 1, \"y\": 2, \"width\": 3, \"height\": 4, \"maximized\": false} {}", false},
      {"[1, 2, 3, 4, false]", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    window_place untouched = place;
    EXPECT_EQ(read_window_place(c.text, untouched), c.sound);
    if (!c.sound) {
      EXPECT_EQ(window_place_text(untouched), window_place_text(place));
    }
  }
}

TEST(WindowPlace, APlaceCountsWhenItsTopEdgeCanBeReachedOnAScreen) {
  // A 1920 x 1080 screen, and a second one to its left, higher up.
  const screen_area screens[] = {{0, 0, 1920, 1080}, {-1280, -200, 1280, 1024}};
  struct {
    window_place place;
    bool on_the_first, on_either;
  } cases[] = {
      {{100, 120, 700, 500, false}, true, true},
      {{1820, 1050, 700, 500, false}, true, true},     // 100 wide, 30 high of its top left: enough
      {{1821, 100, 700, 500, false}, false, false},    // 99 of its width
      {{100, 1051, 700, 500, false}, false, false},    // no room below the top edge for a title bar
      {{-400, -1, 700, 500, false}, false, true},      // its top edge above the first, on the second
      {{-750, 120, 800, 500, false}, false, true},     // 50 on the first, the rest on the second
      {{1900, 0, 20, 10, false}, true, true},          // a window smaller than the stretch asked for
      {{-1280, -201, 3200, 500, false}, false, false}, // above both
      {{5000, 5000, 700, 500, true}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(window_place_text(c.place));
    EXPECT_EQ(lies_on_a_screen(c.place, screens, 1), c.on_the_first);
    EXPECT_EQ(lies_on_a_screen(c.place, screens, 2), c.on_either);
  }
  EXPECT_FALSE(lies_on_a_screen(cases[0].place, screens, 0));
}

}  // namespace
