#pragma once
// Shared by the window tests: a fixture that leaves no window, event or
// message behind, and views of the event queue.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "runtime/core/registry.h"
#include "runtime/window/event_state.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"

struct queued_event {
  int32_t code;
  int64_t object, window, type;
  bool operator==(const queued_event&) const = default;
};

inline void PrintTo(const queued_event& e, std::ostream* os) {
  *os << "{" << e.code << ", " << e.object << ", " << e.window << ", " << e.type << "}";
}

// The main queue's entries, oldest first, without taking them.
inline std::vector<queued_event> queued_events() {
  std::vector<queued_event> events;
  for (event_entry* e = event_state->main_queue->head; e; e = e->next)
    events.push_back({e->code, e->object, e->window, e->type});
  return events;
}

inline std::vector<int32_t> queued_codes(int64_t window) {
  std::vector<int32_t> codes;
  for (const queued_event& e : queued_events())
    if (e.window == window) codes.push_back(e.code);
  return codes;
}

// Processes every pending message without waiting; the events they queue stay queued.
inline void pump_messages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Everything wait_window_event_timeout(0) returns until it returns 0.
inline std::vector<int64_t> drain() {
  std::vector<int64_t> results;
  while (int64_t r = wait_window_event_timeout(0)) results.push_back(r);
  return results;
}

class window_test : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }

  static void reset() {
    close_window(any_number);
    pump_messages();
    remove_events(-1, -1, -1, -1);
    while (pop_event()) {
    }
    event_state->main_queue->suspension = 0;
  }
};
