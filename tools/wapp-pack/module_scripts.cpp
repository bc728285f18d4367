#include "module_scripts.h"

#include "html_text.h"

namespace {

struct tag_reader {
  std::string_view html;
  size_t at;

  void skip_spaces() {
    while (at < html.size() && is_space(html[at])) at++;
  }

  // The value of the tag's first "type" attribute, found false when it has
  // none or the page ends inside the tag (a browser drops such a tag);
  // leaves `at` after the tag's ">".
  std::string_view type_attribute(bool& found) {
    found = false;
    std::string_view type;
    for (;;) {
      while (at < html.size() && (is_space(html[at]) || html[at] == '/')) at++;
      if (at >= html.size()) {
        found = false;
        return {};
      }
      if (html[at] == '>') {
        at++;
        return type;
      }
      size_t name_start = at;
      while (at < html.size() && !is_space(html[at]) && html[at] != '/' && html[at] != '>' && html[at] != '=') at++;
      std::string_view name = html.substr(name_start, at - name_start);
      skip_spaces();
      std::string_view value;
      if (at < html.size() && html[at] == '=') {
        at++;
        skip_spaces();
        value = read_value();
      }
      // As in a browser, the first of repeated attributes counts.
      if (!found && same_letters(name, "type")) {
        found = true;
        type = value;
      }
    }
  }

  std::string_view read_value() {
    if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
      char quote = html[at++];
      size_t start = at;
      while (at < html.size() && html[at] != quote) at++;
      std::string_view value = html.substr(start, at - start);
      if (at < html.size()) at++;
      return value;
    }
    size_t start = at;
    while (at < html.size() && !is_space(html[at]) && html[at] != '>') at++;
    return html.substr(start, at - start);
  }
};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string module_feature_of(std::string_view html) {
  for (size_t open = find_tag(html, "script", 0); open != std::string_view::npos;) {
    tag_reader tag{html, open + 7};
    bool has_type = false;
    std::string_view type = trimmed(tag.type_attribute(has_type));
    if (has_type && same_letters(type, "module")) return "a module script";
    if (has_type && same_letters(type, "importmap")) return "an import map";
    // Script text may spell a tag without being one.
    size_t end = find_letters(html, "</script", tag.at);
    if (end == std::string_view::npos) break;
    open = find_tag(html, "script", end + 8);
  }
  return "";
}
