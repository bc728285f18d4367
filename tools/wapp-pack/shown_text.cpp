#include "shown_text.h"

#include <algorithm>
#include <cstdio>

#include "payload/entry_names.h"

namespace {

// Line and paragraph separators, and the marks, embeddings, overrides and
// isolates of bidirectional text, which can show a line's end before its
// start.
bool turns_or_breaks_text(char32_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string shown_text(std::string_view text) {
  std::string shown;
  char escape[12];
  for (size_t i = 0; i < text.size();) {
    int length = utf8_sequence_length(text, i);
    if (length == 0) {
      std::snprintf(escape, sizeof escape, "\\x%02x", (unsigned char)text[i++]);
      shown += escape;
      continue;
    }
    size_t at = i;
    char32_t c = next_utf8_character(text, i);
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02x", (unsigned)c);
      shown += escape;
    } else if ((c >= 0x80 && c < 0xA0) || turns_or_breaks_text(c)) {
      std::snprintf(escape, sizeof escape, "\\u%04x", (unsigned)c);
      shown += escape;
    } else {
      shown.append(text, at, (size_t)length);
    }
  }
  return shown;
}

std::string shown_lines(std::string_view text) {
  std::string shown;
  for (size_t start = 0; start <= text.size();) {
    size_t end = std::min(text.find('\n', start), text.size());
    if (start) shown += '\n';
    shown += shown_text(text.substr(start, end - start));
    start = end + 1;
  }
  return shown;
}
