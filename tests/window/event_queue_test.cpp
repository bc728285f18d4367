// Posting, merging, suspending, taking and removing events, and the
// binding table consulted for each of them.
#include <string>

#include "window_test_support.h"

namespace {
using EventQueue = window_test;

struct post {
  int32_t code;
  int64_t object, window, type;
  uint32_t flags;
};

struct merge_case {
  const char* name;
  std::vector<post> posts;
  size_t entries;
};

class EventMerging : public window_test, public ::testing::WithParamInterface<merge_case> {};

TEST_P(EventMerging, OnlyIdenticalConsecutiveEventsMerge) {
  for (const post& p : GetParam().posts) post_event_ex(p.code, p.object, p.window, p.type, 0, nullptr, p.flags);
  EXPECT_EQ(queued_events().size(), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, EventMerging,
    ::testing::Values(
        merge_case{"BackToBack", {{13112, 0, 1, 0, 0}, {13112, 0, 1, 0, 0}}, 1},
        merge_case{"Separated", {{13112, 0, 1, 0, 0}, {13111, 0, 1, 0, 0}, {13112, 0, 1, 0, 0}}, 3},
        merge_case{"OtherObject", {{13100, 1, 1, 0, 0}, {13100, 2, 1, 0, 0}}, 2},
        merge_case{"OtherWindow", {{13112, 0, 1, 0, 0}, {13112, 0, 2, 0, 0}}, 2},
        merge_case{"OtherType", {{13100, 1, 1, 0, 0}, {13100, 1, 1, 5, 0}}, 2},
        merge_case{"HighestMergingCode", {{0xFFFF, 0, 1, 0, 0}, {0xFFFF, 0, 1, 0, 0}}, 1},
        merge_case{"ProgramCode", {{0x10000, 0, 1, 0, 0}, {0x10000, 0, 1, 0, 0}}, 2},
        merge_case{"BindOnPop", {{13112, 0, 1, 0, 2}, {13112, 0, 1, 0, 2}}, 2},
        merge_case{"ToMainThread", {{13112, 0, 1, 0, 4}, {13112, 0, 1, 0, 4}}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EventQueue, EventsAreTakenOldestFirstWithTheirFields) {
  post_event(13100, 7, 2, 5);
  post_event(13116, 2, 2, 0);
  EXPECT_EQ(pop_event(), 13100);
  EXPECT_EQ(current_event().object, 7);
  EXPECT_EQ(current_event().window, 2);
  EXPECT_EQ(current_event().type, 5);
  EXPECT_EQ(pop_event(), 13116);
  EXPECT_EQ(pop_event(), 0);
  EXPECT_EQ(current_event().code, 0);
  EXPECT_EQ(current_event().type, -1);
  // The queue works again after running empty.
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(queued_events().size(), 1u);
  EXPECT_EQ(pop_event(), 13112);
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
  EXPECT_EQ(queued_codes(1), (std::vector<int32_t>{13115, 13112}));
}

int released_data;
void note_release(int64_t data) { released_data += (int)data; }

TEST_F(EventQueue, DataIsReleasedWhenItsEventStopsBeingCurrent) {
  released_data = 0;
  post_event_ex(14000, 0, 1, 0, 40, note_release, 0);
  post_event(14001, 0, 1, 0);
  EXPECT_EQ(pop_event(), 14000);
  EXPECT_EQ(current_event().data, 40);
  EXPECT_EQ(released_data, 0);
  EXPECT_EQ(pop_event(), 14001);
  EXPECT_EQ(released_data, 40);
  EXPECT_EQ(current_event().data, 0);
  pop_event();
  EXPECT_EQ(released_data, 40);
}

TEST_F(EventQueue, RemovingEventsMatchesWithWildcards) {
  auto fill = [] {
    remove_events(-1, -1, -1, -1);
    post_event(13100, 1, 1, 3);
    post_event(13100, 2, 1, 3);
    post_event(13118, 0, 1, 0);
    post_event(13100, 1, 2, 4);
    post_event(13118, 0, 2, 0);
  };
  fill();
  remove_events(13100, 1, -1, -1);
  EXPECT_EQ(queued_events(), (std::vector<queued_event>{{13100, 2, 1, 3}, {13118, 0, 1, 0}, {13118, 0, 2, 0}}));
  fill();
  remove_events(-1, -1, 2, -1);
  EXPECT_EQ(queued_events(), (std::vector<queued_event>{{13100, 1, 1, 3}, {13100, 2, 1, 3}, {13118, 0, 1, 0}}));
  // The tail follows removals: an event like the removed last one is not
  // merged into it but lands after the last survivor.
  fill();
  remove_events(13118, 0, 2, 0);
  post_event(13118, 0, 2, 0);
  EXPECT_EQ(queued_events().size(), 5u);
  EXPECT_EQ(queued_events().back(), (queued_event{13118, 0, 2, 0}));
  fill();
  remove_window_events(1);
  EXPECT_EQ(queued_events(), (std::vector<queued_event>{{13100, 1, 2, 4}, {13118, 0, 2, 0}}));
  remove_events(-1, -1, -1, 4);
  remove_events(13118, 0, 2, 0);
  EXPECT_TRUE(queued_events().empty());
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(queued_events().size(), 1u);
}

TEST_F(EventQueue, WaitWithoutTimeAnswersZeroWhenNothingIsThere) {
  pump_messages();
  EXPECT_EQ(wait_window_event_timeout(0), 0);
  EXPECT_EQ(wait_window_event_timeout(20), 0);
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 7, 0, 0);
  EXPECT_EQ(wait_window_event_timeout(0), WM_APP + 7);
  // A queued event comes before any message.
  PostThreadMessageW(GetCurrentThreadId(), WM_APP + 8, 0, 0);
  post_event(13112, 0, 1, 0);
  EXPECT_EQ(wait_window_event(), 13112);
  EXPECT_EQ(wait_window_event(), WM_APP + 8);
}

// ---- bindings ---------------------------------------------------------------

std::vector<std::string> calls;
current_event_record seen;

void exact() { calls.push_back("exact"); seen = current_event(); }
void exact_other_type() { calls.push_back("exact other type"); }
void window_wide() { calls.push_back("window"); }
void window_wide_typed() { calls.push_back("window typed"); }
void any_window() { calls.push_back("any window"); }
void object_anywhere() { calls.push_back("object"); }
void other_window() { calls.push_back("window 12"); }

class EventBindings : public window_test {
 protected:
  void SetUp() override {
    window_test::SetUp();
    calls.clear();
    seen = {};
  }
  void TearDown() override {
    for (int64_t w : {-1, 2, 12}) remove_window_bindings(w);
    window_test::TearDown();
  }
};

TEST_F(EventBindings, EveryPostedEventConsultsFourKeysInOrder) {
  ASSERT_TRUE(bind_event(14000, -1, 5, 3, object_anywhere));
  ASSERT_TRUE(bind_event(14000, -1, -1, -1, any_window));
  ASSERT_TRUE(bind_event(14000, 2, -1, -1, window_wide));
  ASSERT_TRUE(bind_event(14000, 2, -1, 3, window_wide_typed));  // never: that key is run with filter -1
  ASSERT_TRUE(bind_event(14000, 2, 5, 3, exact));
  ASSERT_TRUE(bind_event(14000, 2, 5, 4, exact_other_type));
  ASSERT_TRUE(bind_event(14000, 12, 5, -1, other_window));
  post_event(13112, 0, 1, 0);
  pop_event();  // the current event differs from the one posted next

  post_event(14000, 5, 2, 3);
  EXPECT_EQ(calls, (std::vector<std::string>{"exact", "window", "any window", "object"}));
  // During the bindings the posted event is the current one; afterwards the
  // one taken last is again.
  EXPECT_EQ(seen.code, 14000);
  EXPECT_EQ(seen.object, 5);
  EXPECT_EQ(current_event().code, 13112);
}

TEST_F(EventBindings, MergedEventsStillRunTheirBindingsSuspendedOnesDoNot) {
  bind_event(14000, 2, 5, -1, exact);
  post_event(14000, 5, 2, 0);
  post_event(14000, 5, 2, 0);
  EXPECT_EQ(queued_events().size(), 1u);
  EXPECT_EQ(calls.size(), 2u);
  suspend_events();
  post_event(14000, 5, 2, 0);
  resume_events();
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(EventBindings, BindOnPopDefersTheBindingsToTheTaking) {
  bind_event(14000, 2, 5, -1, exact);
  post_event_ex(14000, 5, 2, 0, 0, nullptr, event_bind_on_pop);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(pop_event(), 14000);
  EXPECT_EQ(calls, (std::vector<std::string>{"exact"}));
}

TEST_F(EventBindings, RemovingBindingsByKeyAndByWindow) {
  bind_event(14000, 2, 5, -1, exact);
  bind_event(14001, 2, 6, -1, window_wide);
  bind_event(14000, 12, 5, -1, other_window);
  bind_event(14000, -1, 5, -1, object_anywhere);
  remove_bindings(14001, 2, 6);
  post_event(14001, 6, 2, 0);
  EXPECT_TRUE(calls.empty());

  // Window 2's bindings go; window 12's, whose key also holds ":2", and the
  // ones for any window stay.
  remove_window_bindings(2);
  post_event(14000, 5, 2, 0);
  post_event(14000, 5, 12, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"object", "window 12", "object"}));
}

TEST_F(EventBindings, ClosingAWindowRemovesItsBindings) {
  open_window(2, 10, 10, 200, 100, L"bound", 0xC80000);
  bind_event(13116, 2, 2, -1, exact);
  close_window(2);
  post_event(13116, 2, 2, 0);
  EXPECT_TRUE(calls.empty());
}

void close_window_two() {
  calls.push_back("closing");
  close_window(2);
}

TEST_F(EventBindings, ACallbackMayRemoveTheBindingsBeingRun) {
  open_window(2, 10, 10, 200, 100, L"bound", 0xC80000);
  bind_event(14000, 2, 1, -1, close_window_two);
  bind_event(14000, 2, 1, -1, exact);
  post_event(14000, 1, 2, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"closing", "exact"}));
  EXPECT_EQ(window_handle(2), nullptr);
  calls.clear();
  post_event(14000, 1, 2, 0);
  EXPECT_TRUE(calls.empty());
}
}  // namespace
