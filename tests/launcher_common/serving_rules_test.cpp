// The rules both launchers serve and open by: one range of bytes of a file,
// and the new windows that may leave for the user's browser.
#include <gtest/gtest.h>

#include "launcher-common/served_ranges.h"
#include "launcher-common/window_openings.h"

namespace {

TEST(ServedRanges, OneRangeIsAPartAndAnythingElseTheWholeFile) {
  const struct {
    const char* header;
    uint64_t size;
    int status;
    uint64_t start, length;
    const char* content_range;
  } cases[] = {
      {"bytes=10-19", 21, 206, 10, 10, "bytes 10-19/21"},
      {" bytes=0-0 ", 21, 206, 0, 1, "bytes 0-0/21"},
      {"bytes=10-", 21, 206, 10, 11, "bytes 10-20/21"},
      {"bytes=15-999", 21, 206, 15, 6, "bytes 15-20/21"},
      {"bytes=-5", 21, 206, 16, 5, "bytes 16-20/21"},
      {"bytes=-50", 21, 206, 0, 21, "bytes 0-20/21"},
      {"bytes=20-20", 21, 206, 20, 1, "bytes 20-20/21"},
      {"bytes=21-", 21, 416, 0, 0, "bytes */21"},
      {"bytes=-0", 21, 416, 0, 0, "bytes */21"},
      {"bytes=0-", 0, 416, 0, 0, "bytes */0"},
      {"", 21, 200, 0, 21, ""},
      {"bytes=0-1,5-6", 21, 200, 0, 21, ""},
      {"items=0-1", 21, 200, 0, 21, ""},
      {"bytes=9-3", 21, 200, 0, 21, ""},
      {"bytes=-", 21, 200, 0, 21, ""},
      {"bytes=a-3", 21, 200, 0, 21, ""},
      {"bytes=99999999999999999999-", 21, 200, 0, 21, ""},
  };
  for (const auto& c : cases) {
    served_range range = range_of(c.header, c.size);
    EXPECT_EQ(range.status, c.status) << c.header;
    EXPECT_EQ(range.start, c.start) << c.header;
    EXPECT_EQ(range.length, c.length) << c.header;
    EXPECT_EQ(range.content_range, c.content_range) << c.header;
  }
}

TEST(WindowOpenings, AClickLetsOneOutAndWithoutOneOnlyWhatThePageAnnounced) {
  window_openings openings;
  // In order, at the given milliseconds: announce (gesture unused), or ask.
  const struct {
    uint64_t at;
    bool announce;
    const char* address;
    bool gesture, out;
  } steps[] = {
      {1000, false, "https://x.test/a", false, false},  // a frame's, unasked
      {1000, false, "https://x.test/a", true, true},    // a click
      {1500, false, "https://x.test/b", true, false},   // a second window for the same click
      {2600, false, "https://x.test/b", true, true},    // the next click
      {3000, true, "https://x.test/own", false, false},
      {3001, false, "https://x.test/other", false, false},
      {3002, false, "https://x.test/own", false, true},
      {3003, false, "https://x.test/own", false, false},  // an announcement lets one out
      {4000, true, "https://x.test/late", false, false},
      {14001, false, "https://x.test/late", false, false},  // too long after it
  };
  for (const auto& s : steps) {
    if (s.announce) openings.announce(s.address, s.at);
    else EXPECT_EQ(openings.may_open(s.address, s.gesture, s.at), s.out) << s.at;
  }
}

}  // namespace
