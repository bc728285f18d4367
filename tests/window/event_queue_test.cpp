// Posting, merging, suspending, taking and removing events, and the
// binding table consulted for each of them.
#include <string>

#include "window_test_support.h"

namespace {
using EventQueue = window_test;

TEST_F(EventQueue, OnlyIdenticalConsecutiveEventsBelowProgramCodesMerge) {
  struct post {
    int32_t code;
    int64_t object, window, type;
    uint32_t flags;
  };
  struct merge_case {
    std::vector<post> posts;
    size_t entries;
  } cases[] = {
      {{{13112, 0, 1, 0, 0}, {13112, 0, 1, 0, 0}}, 1},
      {{{13112, 0, 1, 0, 0}, {13111, 0, 1, 0, 0}, {13112, 0, 1, 0, 0}}, 3},
      {{{13100, 1, 1, 0, 0}, {13100, 2, 1, 0, 0}, {13100, 2, 2, 0, 0}, {13100, 2, 2, 5, 0}}, 4},
      {{{0xFFFF, 0, 1, 0, 0}, {0xFFFF, 0, 1, 0, 0}}, 1},
      {{{0x10000, 0, 1, 0, 0}, {0x10000, 0, 1, 0, 0}}, 2},
      {{{13112, 0, 1, 0, event_bind_on_pop}, {13112, 0, 1, 0, event_bind_on_pop}}, 2},
      {{{13112, 0, 1, 0, event_to_main_thread}, {13112, 0, 1, 0, event_to_main_thread}}, 2},
  };
  for (const merge_case& c : cases) {
    drain();
    for (const post& p : c.posts) post_event_ex(p.code, p.object, p.window, p.type, 0, nullptr, p.flags);
    EXPECT_EQ(queued_events().size(), c.entries) << "first code " << c.posts[0].code;
  }
}

TEST_F(EventQueue, SuspensionDropsEverythingButFlaggedEvents) {
  suspend_events();
  suspend_events();
  post_event(13118, 0, 1, 0);
  post_event_ex(13115, 0, 1, 0, 0, nullptr, event_while_suspended);
  resume_events();
  post_event(13117, 1, 1, 0);  // still suspended once
  resume_events();
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(queued_codes({13118, 13115, 13117, 13112}), (std::vector<int32_t>{13115, 13112}));
}

TEST_F(EventQueue, RemovalKeepsTheTailRight) {
  post_event(13100, 1, 1, 3);
  post_event(13118, 0, 2, 0);
  remove_events(-1, -1, 2, -1);
  // Not merged into the removed entry: appended after the survivor.
  post_event(13118, 0, 2, 0);
  EXPECT_EQ(queued_events(), (std::vector<queued_event>{{13100, 1, 1, 3}, {13118, 0, 2, 0}}));
  remove_window_events(2);
  remove_events(13100, -1, -1, 3);
  EXPECT_EQ(pop_event(), 0);
  EXPECT_EQ(current_event().type, -1);
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(wait_window_event_timeout(0), 13112);
}

TEST_F(EventQueue, WaitWithoutTimeAnswersZeroWhenNothingIsThere) {
  EXPECT_EQ(wait_window_event_timeout(0), 0);
  EXPECT_EQ(wait_window_event_timeout(20), 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 7, 0, 0);
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(wait_window_event_timeout(0), 13112);  // events before messages
  EXPECT_EQ(wait_window_event_timeout(0), WM_APP + 7);
}

std::vector<std::string> calls;
void exact() { calls.push_back("exact " + std::to_string(current_event().code)); }
void window_wide() { calls.push_back("window"); }
void any_window() { calls.push_back("any window"); }
void object_anywhere() { calls.push_back("object"); }

TEST_F(EventQueue, BindingsRunForFourKeysInOrderWhilePostedOrWhenTaken) {
  calls.clear();
  bind_event(14000, -1, 5, 3, object_anywhere);
  bind_event(14000, -1, -1, -1, any_window);
  bind_event(14000, 2, -1, 3, window_wide);  // never: that key is run for any type only
  bind_event(14000, 2, -1, -1, window_wide);
  bind_event(14000, 2, 5, 4, exact);  // another type
  bind_event(14000, 2, 5, 3, exact);
  post_event(14000, 5, 2, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"exact 14000", "window", "any window", "object"}));
  EXPECT_EQ(current_event().code, 0);  // restored after the bindings

  drain();
  calls.clear();
  remove_window_bindings(-1);
  post_event_ex(14000, 5, 2, 3, 0, nullptr, event_bind_on_pop);
  EXPECT_TRUE(calls.empty());
  pop_event();
  EXPECT_EQ(calls, (std::vector<std::string>{"exact 14000", "window"}));

  // Window 12's key also holds ":2"; removing window 2's bindings leaves it.
  bind_event(14000, 12, 5, -1, object_anywhere);
  remove_window_bindings(2);
  calls.clear();
  post_event(14000, 5, 2, 3);
  post_event(14000, 5, 12, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"object"}));
  remove_window_bindings(12);
}
void close_window_two() {
  calls.push_back("closing");
  close_window(2);
}

TEST_F(EventQueue, ABindingMayCloseTheWindowWhoseBindingsAreRunning) {
  calls.clear();
  open_window(2, 10, 10, 200, 100, L"bound", 0xC80000);
  bind_event(14000, 2, 1, -1, close_window_two);
  bind_event(14000, 2, 1, -1, window_wide);
  post_event(14000, 1, 2, 0);  // the chain is freed while it runs
  EXPECT_EQ(calls, (std::vector<std::string>{"closing", "window"}));
  EXPECT_EQ(window_handle(2), nullptr);
  post_event(14000, 1, 2, 0);
  EXPECT_EQ(calls.size(), 2u);
}
}  // namespace
