#include "payload/settings_keys.h"

const setting_key setting_keys[setting_count] = {
    {"WindowWidth", "800", setting_kind::number, "--width", nullptr},
    {"WindowHeight", "600", setting_kind::number, "--height", nullptr},
    {"WindowTitle", "Mi App", setting_kind::text, "--title", nullptr},
    {"StartURL", "#", setting_kind::text, "--start-url", nullptr},
    {"AlwaysOnTop", "0", setting_kind::switch_when_not_zero, "--always-on-top", "1"},
    {"ShowMinimizeButton", "1", setting_kind::switch_when_one, "--no-minimize", "0"},
    {"ShowMaximizeButton", "1", setting_kind::switch_when_one, "--no-maximize", "0"},
    {"Fullscreen", "0", setting_kind::switch_when_one, "--fullscreen", "1"},
    {"Frameless", "0", setting_kind::switch_when_one, "--frameless", "1"},
    {"Resizable", "0", setting_kind::switch_when_one, "--resizable", "1"},
    // The browser's developer tools (Inspect in the context menu; F12 on Windows).
    {"DevTools", "0", setting_kind::switch_when_not_zero, "--devtools", "1"},
    {"SingleInstance", "0", setting_kind::switch_when_one, "--single-instance", "1"},
    {"RememberWindow", "0", setting_kind::switch_when_one, "--remember-window", "1"},
};

int setting_index(std::string_view name) {
  for (int i = 0; i < setting_count; i++)
    if (name == setting_keys[i].name) return i;
  return -1;
}

int64_t setting_integer(std::string_view text) {
  size_t i = 0;
  auto more = [&] { return i < text.size(); };
  while (more() && (text[i] == ' ' || text[i] == '\t')) i++;
  bool negative = more() && text[i] == '-';
  if (more() && (text[i] == '-' || text[i] == '+')) i++;
  uint64_t base = 10;
  if (more() && (text[i] == '$' || text[i] == '%')) base = text[i++] == '$' ? 16 : 2;
  uint64_t value = 0;
  for (; more(); i++) {
    char c = text[i];
    uint64_t digit = c >= '0' && c <= '9' ? (uint64_t)(c - '0')
                     : c >= 'a' && c <= 'f' ? (uint64_t)(c - 'a' + 10)
                     : c >= 'A' && c <= 'F' ? (uint64_t)(c - 'A' + 10)
                                            : base;
    if (digit >= base) break;
    value = value * base + digit;
  }
  // Unsigned arithmetic wraps without the undefined behaviour of signed overflow.
  return (int64_t)(negative ? 0 - value : value);
}

bool setting_is_on(setting_kind kind, std::string_view text) {
  int64_t value = setting_integer(text);
  return kind == setting_kind::switch_when_one ? value == 1 : value != 0;
}
