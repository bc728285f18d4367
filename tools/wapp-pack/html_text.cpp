#include "html_text.h"

namespace {

bool tag_at(std::string_view html, size_t open, std::string_view name) {
  size_t after_name = open + 1 + name.size();
  return html[open] == '<' && same_letters(html.substr(open + 1, name.size()), name) &&
         (after_name == html.size() || is_space(html[after_name]) || html[after_name] == '/' || html[after_name] == '>');
}

}  // namespace

size_t find_letters(std::string_view text, std::string_view word, size_t from) {
  for (size_t at = from; at + word.size() <= text.size(); at++) {
    if (same_letters(text.substr(at, word.size()), word)) return at;
  }
  return std::string_view::npos;
}

size_t find_tag(std::string_view html, std::string_view name, size_t from) {
  for (size_t at = from; at < html.size();) {
    size_t open = html.find('<', at);
    if (open == std::string_view::npos) break;
    if (html.substr(open, 4) == "<!--") {
      size_t close = html.find("-->", open + 4);
      if (close == std::string_view::npos) break;
      at = close + 3;
      continue;
    }
    if (tag_at(html, open, name)) return open;
    if (tag_at(html, open, "script")) {
      // Script text may spell a tag without being one.
      size_t end = find_letters(html, "</script", open + 7);
      if (end == std::string_view::npos) break;
      at = end + 8;
      continue;
    }
    at = open + 1;
  }
  return std::string_view::npos;
}
