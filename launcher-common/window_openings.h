#pragma once
// New windows a page asks for that would go to the user's browser: a click
// or key of the user's lets one out, and never more than one a second (one
// per gesture); without one, only the app's own page may, and its script
// announces each window it opens just before it asks (window.willOpen).
// Frames of another origin have neither the script nor the run's key: a
// window they ask for without a gesture goes nowhere, however many they ask
// for. Neither engine tells which frame asked, hence the announcement.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>

class window_openings {
 public:
  static constexpr uint64_t announcement_ms = 10000, gesture_ms = 1000;
  static constexpr size_t most_announced = 16;

  void announce(std::string address, uint64_t now_ms) {
    announced_.emplace_back(std::move(address), now_ms);
    if (announced_.size() > most_announced) announced_.pop_front();
  }

  bool may_open(std::string_view address, bool user_gesture, uint64_t now_ms) {
    while (!announced_.empty() && now_ms - announced_.front().second > announcement_ms) announced_.pop_front();
    for (auto at = announced_.begin(); at != announced_.end(); ++at) {
      if (at->first != address) continue;
      announced_.erase(at);
      return true;
    }
    if (!user_gesture || (gesture_opened_ && now_ms - last_gesture_open_ < gesture_ms)) return false;
    gesture_opened_ = true;
    last_gesture_open_ = now_ms;
    return true;
  }

 private:
  std::deque<std::pair<std::string, uint64_t>> announced_;
  bool gesture_opened_ = false;
  uint64_t last_gesture_open_ = 0;
};
