#include <cstdlib>
#include <cstring>

#include "runtime/core/strings.h"
#include "runtime/core/utf16.h"

int texts_equal(const wchar_t* a, const wchar_t* b) {
  if (!a) a = L"";
  if (!b) b = L"";
  for (;; a++, b++) {
    if (*a != *b) return 0;
    if (!*a) return 1;
  }
}

wchar_t* bytes_to_string(const void* memory, int64_t length, int format, int64_t at) {
  const char* bytes = (const char*)memory;
  if (length < -1 || !bytes) length = 0;
  int64_t count = 0;
  if (length == -1) {
    count = (int64_t)strlen(bytes);
  } else {
    while (count < length && bytes[count]) count++;
  }
  std::string_view text(bytes, (size_t)count);
  // The ANSI code page is the one conversion that is not UTF-8's.
  auto convert = [&](wchar_t* room, int room_units) {
    if (format == text_format_utf8) return std::max(utf8_to_wide(text, room, room_units), 0);
    return count > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes, (int)count, room, room_units) : 0;
  };
  int units = convert(nullptr, 0);
  wchar_t* room = reserve_characters(units, at);
  if (!room) return nullptr;
  if (units > 0) convert(room, units);
  room[units] = 0;
  return room;
}

int64_t string_to_integer(const wchar_t* text) {
  if (!text) return 0;
  while (*text == L' ' || *text == L'\t') text++;
  bool negative = false;
  if (*text == L'-' || *text == L'+') {
    negative = *text == L'-';
    text++;
  }
  uint64_t base = 10;
  if (*text == L'$') {
    base = 16;
    text++;
  } else if (*text == L'%') {
    base = 2;
    text++;
  }
  // Unsigned arithmetic: the value wraps around like the signed 64-bit
  // original without the undefined behaviour of signed overflow.
  uint64_t value = 0;
  for (;; text++) {
    uint64_t digit;
    wchar_t c = *text;
    if (c >= L'0' && c <= L'9') digit = (uint64_t)(c - L'0');
    else if (base == 16 && c >= L'a' && c <= L'f') digit = (uint64_t)(c - L'a' + 10);
    else if (base == 16 && c >= L'A' && c <= L'F') digit = (uint64_t)(c - L'A' + 10);
    else break;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return (int64_t)(negative ? 0 - value : value);
}

char* utf8_copy_of(const wchar_t* text) {
  std::wstring_view wide(text ? text : L"");
  int bytes = wide_to_utf8(wide, nullptr, 0);
  auto* copy = (char*)malloc((size_t)bytes + 1);
  if (!copy) return nullptr;
  wide_to_utf8(wide, copy, bytes);
  copy[bytes] = 0;
  return copy;
}

wchar_t* utf8_to_text(const char* bytes, int64_t at) { return bytes_to_string(bytes, -1, text_format_utf8, at); }
