#pragma once
// A page whose renderer process dies comes back: it is reloaded at once, at
// most three times within a minute, so that a page that kills its renderer
// as it loads cannot loop; past that the window shows a page of the
// launcher's own, which says what happened and reloads the app on a click.
// The app's stored data is the browser's, and none of it is lost.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

class renderer_recovery {
 public:
  static constexpr size_t most_reloads = 3;
  static constexpr uint64_t reload_window_ms = 60000;
  // How long a renderer may stop answering before the user is asked to
  // wait or reload.
  static constexpr uint64_t unresponsive_ms = 10000;

  // The renderer died now: true when the page is to be reloaded, false when
  // the recovery page is to be shown instead.
  bool reload_after_death(uint64_t now_ms) {
    while (!deaths_.empty() && now_ms - deaths_.front() >= reload_window_ms) deaths_.pop_front();
    if (deaths_.size() >= most_reloads) return false;
    deaths_.push_back(now_ms);
    return true;
  }

 private:
  std::deque<uint64_t> deaths_;
};

// The recovery page: HTML in UTF-8 whose Reload button goes to address.
std::string recovery_page(std::string_view app_name, std::string_view address);

// The question a renderer that stopped answering puts to the user.
struct unresponsive_question {
  std::string title, text;
  static constexpr const char* wait = "Wait";
  static constexpr const char* reload = "Reload";
};
unresponsive_question unresponsive_question_for(std::string_view app_name);
