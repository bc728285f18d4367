#pragma once
// Shared by the window tests: a fixture that leaves no window, event or
// message behind, and a view of the event queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "runtime/core/registry.h"
#include "runtime/window/event_state.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"
#include "support/gui_environment.h"

struct queued_event {
  int32_t code;
  int64_t object, window, type;
  bool operator==(const queued_event&) const = default;
};

inline void PrintTo(const queued_event& e, std::ostream* os) {
  *os << "{" << e.code << ", " << e.object << ", " << e.window << ", " << e.type << "}";
}

// The main queue's entries, oldest first, left in place.
inline std::vector<queued_event> queued_events() {
  std::vector<queued_event> events;
  for (event_entry* e = event_state->main_queue->head; e; e = e->next)
    events.push_back({e->code, e->object, e->window, e->type});
  return events;
}

inline std::vector<int32_t> queued_codes(std::initializer_list<int32_t> wanted) {
  std::vector<int32_t> codes;
  for (const queued_event& e : queued_events())
    if (std::find(wanted.begin(), wanted.end(), e.code) != wanted.end()) codes.push_back(e.code);
  return codes;
}

// Takes every event and processes every message that is there, without waiting.
inline void drain() {
  while (wait_window_event_timeout(0)) {
  }
}

class window_test : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    close_window(any_number);
    drain();
    event_state->main_queue->suspension = 0;
  }
};
