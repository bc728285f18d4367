#include "payload/settings_keys.h"

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
