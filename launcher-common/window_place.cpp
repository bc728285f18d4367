#include "launcher-common/window_place.h"

#include <algorithm>

namespace {

constexpr int64_t farthest = 1000000;
// Of the window's top edge, this much must lie on the screen, and this much
// of the screen must lie below it: room for a title bar to be taken.
constexpr int32_t reachable_width = 100;
constexpr int32_t reachable_height = 30;

constexpr std::string_view member_names[] = {"x", "y", "width", "height", "maximized"};

struct scanner {
  std::string_view text;
  size_t at = 0;

  void skip_space() {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) at++;
  }
  bool take(char c) {
    skip_space();
    if (at >= text.size() || text[at] != c) return false;
    at++;
    return true;
  }
  bool take_word(std::string_view word) {
    skip_space();
    if (text.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  }
  // A member name: plain characters between quotes, as the launchers write them.
  bool name(std::string_view& found) {
    if (!take('"')) return false;
    size_t end = text.find('"', at);
    if (end == std::string_view::npos) return false;
    found = text.substr(at, end - at);
    at = end + 1;
    return found.find('\\') == std::string_view::npos;
  }
  bool integer(int64_t& value) {
    skip_space();
    bool negative = at < text.size() && text[at] == '-';
    if (negative) at++;
    size_t first = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= farthest)
      value = value * 10 + (text[at++] - '0');
    // No digits, a leading zero before more digits, or too far.
    if (at == first || (text[first] == '0' && at - first > 1) || value > farthest) return false;
    if (negative) value = -value;
    return true;
  }
  bool boolean(bool& value) {
    if (take_word("true")) return value = true, true;
    if (take_word("false")) return value = false, true;
    return false;
  }
};

}  // namespace

std::string window_place_text(const window_place& place) {
  return "{\"x\": " + std::to_string(place.x) + ", \"y\": " + std::to_string(place.y) +
         ", \"width\": " + std::to_string(place.width) + ", \"height\": " + std::to_string(place.height) +
         ", \"maximized\": " + (place.maximized ? "true" : "false") + "}\n";
}

bool read_window_place(std::string_view text, window_place& place) {
  scanner s{text};
  int64_t numbers[4] = {};
  bool maximized = false, seen[5] = {};
  if (!s.take('{')) return false;
  do {
    std::string_view name;
    if (!s.name(name) || !s.take(':')) return false;
    auto found = std::find(std::begin(member_names), std::end(member_names), name);
    size_t index = (size_t)(found - std::begin(member_names));
    if (found == std::end(member_names) || seen[index]) return false;
    seen[index] = true;
    if (!(index == 4 ? s.boolean(maximized) : s.integer(numbers[index]))) return false;
  } while (s.take(','));
  if (!s.take('}')) return false;
  s.skip_space();
  if (s.at != text.size() || std::count(seen, seen + 5, true) != 5 || numbers[2] < 1 || numbers[3] < 1) return false;
  place = {(int32_t)numbers[0], (int32_t)numbers[1], (int32_t)numbers[2], (int32_t)numbers[3], maximized};
  return true;
}

bool lies_on_a_screen(const window_place& place, const screen_area* screens, size_t count) {
  const int64_t left = place.x, right = left + place.width, top = place.y;
  const int64_t wanted_width = std::min<int64_t>(place.width, reachable_width);
  const int64_t wanted_height = std::min<int64_t>(place.height, reachable_height);
  for (size_t i = 0; i < count; i++) {
    const screen_area& s = screens[i];
    int64_t overlap = std::min<int64_t>(right, (int64_t)s.x + s.width) - std::max<int64_t>(left, s.x);
    if (top >= s.y && top + wanted_height <= (int64_t)s.y + s.height && overlap >= wanted_width) return true;
  }
  return false;
}

window_place fitted_to(const window_place& place, const screen_area& area) {
  window_place fitted = place;
  fitted.width = std::max(1, std::min(place.width, area.width));
  fitted.height = std::max(1, std::min(place.height, area.height));
  fitted.x = (int32_t)std::clamp<int64_t>(place.x, area.x, std::max<int64_t>(area.x, (int64_t)area.x + area.width - fitted.width));
  fitted.y = (int32_t)std::clamp<int64_t>(place.y, area.y, std::max<int64_t>(area.y, (int64_t)area.y + area.height - fitted.height));
  return fitted;
}
