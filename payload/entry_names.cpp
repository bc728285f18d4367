#include "payload/entry_names.h"

namespace {

bool is_separator(char32_t c) { return c == '/' || c == '\\'; }

// Only ASCII letters fold, as the launcher's comparison has them.
char32_t folded(char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// The characters of a name, whatever units hold them; next() reads the one
// at i and moves i past it. Units of 16 or 32 bits
// are taken one by one: the rule compares only with characters of the basic
// plane, which a surrogate never equals.
template <class Char>
struct characters {
  std::basic_string_view<Char> units;

  char32_t next(size_t& i) const {
    if constexpr (sizeof(Char) > 1) {
      return (char32_t)units[i++];
    } else {
      return next_utf8_character(std::string_view((const char*)units.data(), units.size()), i);
    }
  }
};

// A part of a name: the units from `from` to `to`, no separator among them.
template <class Char>
struct part_view {
  const characters<Char>& name;
  size_t from, to;

  // Whether the part reads as text (lower-case ASCII), letters in any case.
  bool is(std::string_view text) const {
    size_t i = from, k = 0;
    while (i < to && k < text.size())
      if (folded(name.next(i)) != (unsigned char)text[k++]) return false;
    return i == to && k == text.size();
  }

  char32_t last() const {
    char32_t c = 0;
    for (size_t i = from; i < to;) c = name.next(i);
    return c;
  }

  // The system opens a device for these names in any folder, whatever
  // extension follows and with spaces before the dot.
  bool is_device() const {
    constexpr size_t longest = 7;  // conout$
    char32_t base[longest] = {};
    size_t count = 0, kept = 0;
    for (size_t i = from; i < to;) {
      char32_t c = name.next(i);
      if (c == '.') break;
      if (count < longest) base[count] = folded(c);
      ++count;
      if (c != ' ') kept = count;
    }
    if (kept > longest) return false;
    std::u32string_view b(base, kept);
    for (std::u32string_view device : {U"con", U"prn", U"aux", U"nul", U"conin$", U"conout$"})
      if (b == device) return true;
    if (kept != 4 || (b.substr(0, 3) != U"com" && b.substr(0, 3) != U"lpt")) return false;
    char32_t digit = base[3];
    return (digit >= '0' && digit <= '9') || digit == U'\u00B9' || digit == U'\u00B2' || digit == U'\u00B3';
  }
};

template <class Char>
entry_name_verdict judge(std::basic_string_view<Char> units) {
  const characters<Char> name{units};
  const size_t size = units.size();
  if (size == 0) return entry_name_verdict::no_name;
  size_t i = 0;
  if (is_separator(name.next(i))) return entry_name_verdict::absolute;
  for (i = 0; i < size;)
    if (name.next(i) == ':') return entry_name_verdict::colon;
  int parts = 0;
  size_t first_from = 0, first_to = 0;
  for (size_t from = 0; from < size;) {
    size_t to = size;
    for (size_t k = from; k < size;) {
      size_t here = k;
      if (is_separator(name.next(k))) {
        to = here;
        break;
      }
    }
    const part_view<Char> part{name, from, to};
    from = to + 1;  // a separator takes one unit in every form
    if (part.from == part.to || part.is(".")) continue;
    if (part.is("..")) return entry_name_verdict::parent;
    char32_t last = part.last();
    if (last == '.' || last == ' ') return entry_name_verdict::dot_or_space;
    if (part.is_device()) return entry_name_verdict::device;
    if (++parts == 1) first_from = part.from, first_to = part.to;
  }
  if (parts == 0) return entry_name_verdict::no_name;
  const part_view<Char> first{name, first_from, first_to};
  if (parts == 1 && (first.is(launcher_archive_file) || first.is(launcher_marker_file))) return entry_name_verdict::launcher_file;
  return entry_name_verdict::unpacked;
}

}  // namespace

entry_name_verdict judge_entry_name(std::string_view utf8) { return judge(utf8); }
entry_name_verdict judge_entry_name(std::u16string_view utf16) { return judge(utf16); }
entry_name_verdict judge_entry_name(std::wstring_view name) { return judge(name); }

const char* entry_name_reason(entry_name_verdict verdict) {
  switch (verdict) {
    case entry_name_verdict::unpacked: return "";
    case entry_name_verdict::no_name: return "the name names no file";
    case entry_name_verdict::absolute: return "an absolute name would lead out of the app folder";
    case entry_name_verdict::colon: return "\":\" names a drive or a hidden stream on Windows";
    case entry_name_verdict::parent: return "\"..\" would lead out of the app folder";
    case entry_name_verdict::device: return "Windows reserves the name for a device (CON, NUL, AUX, COM1, LPT1, ...)";
    case entry_name_verdict::dot_or_space: return "Windows drops a dot or space at the end of a name";
    case entry_name_verdict::launcher_file: return "the launcher keeps a file of that name in the app folder";
  }
  return "";
}

int utf8_sequence_length(std::string_view text, size_t at) {
  if (at >= text.size()) return 0;
  auto b = (uint8_t)text[at];
  int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  // The second byte's range depends on the first; the rest are 80-BF.
  uint8_t low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
  uint8_t high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
  for (int i = 1; i < length; i++) {
    auto more = (uint8_t)text[at + i];
    if (i == 1 ? more < low || more > high : (more & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool is_utf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    int length = utf8_sequence_length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t utf16_length(std::string_view utf8) {
  size_t units = 0;
  for (size_t i = 0; i < utf8.size();) {
    int length = utf8_sequence_length(utf8, i);
    units += length == 4 ? 2 : 1;
    i += length ? length : 1;
  }
  return units;
}

char32_t next_utf8_character(std::string_view text, size_t& i) {
  int length = utf8_sequence_length(text, i);
  if (length == 0) return ++i, 0xFFFD;
  auto b = (uint8_t)text[i];
  char32_t c = length == 1 ? b : b & (0x7F >> length);
  for (int k = 1; k < length; k++) c = c << 6 | ((uint8_t)text[i + k] & 0x3F);
  i += length;
  return c;
}

void append_utf8(std::string& text, char32_t c) {
  if (c < 0x80) {
    text += (char)c;
    return;
  }
  int length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  text += (char)((0xF00 >> length) | (c >> (6 * (length - 1))));
  for (int k = length - 2; k >= 0; k--) text += (char)(0x80 | ((c >> (6 * k)) & 0x3F));
}
