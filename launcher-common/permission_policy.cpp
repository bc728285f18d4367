#include "launcher-common/permission_policy.h"

bool read_permission_policy(std::string_view text, permission_policy& policy, std::string& problem) {
  policy = {};
  bool named[permission_kind_count] = {};
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view pair = text.substr(0, comma), kind = pair.substr(0, pair.find('='));
    std::string_view choice = kind.size() < pair.size() ? pair.substr(kind.size() + 1) : std::string_view();
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    int k = 0, c = 0;
    while (k < permission_kind_count && kind != permission_kind_names[k]) k++;
    while (c < 3 && choice != permission_choice_names[c]) c++;
    if (k == permission_kind_count || c == 3 || named[k] || (comma != std::string_view::npos && text.empty())) {
      auto quoted = [](std::string_view text) {
        std::string out(1, '"');
        out.append(text);
        return out += '"';
      };
      problem = k == permission_kind_count ? quoted(kind) + " is no kind of permission"
                : c == 3                   ? quoted(choice) + " is no choice for " + std::string(kind)
                : named[k]                 ? std::string(kind) + " is named twice"
                                           : "a comma ends the list";
      return false;
    }
    named[k] = true;
    policy.choices[k] = (permission_choice)c;
  }
  return true;
}

permission_question permission_question_for(std::string_view app_name, permission_kind kind) {
  static constexpr const char* wants[permission_kind_count] = {
      "use your camera", "use your microphone", "know your location", "show notifications", "read the clipboard"};
  std::string name(app_name);
  return {name, name + " wants to " + wants[(int)kind] + "."};
}
