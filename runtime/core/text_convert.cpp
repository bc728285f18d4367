#include <cstdlib>
#include <cstring>

#include "runtime/core/strings.h"

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
  UINT code_page = format == text_format_utf8 ? CP_UTF8 : CP_ACP;
  int units = count > 0 ? MultiByteToWideChar(code_page, 0, bytes, (int)count, nullptr, 0) : 0;
  wchar_t* room = reserve_characters(units, at);
  if (!room) return nullptr;
  if (units > 0) MultiByteToWideChar(code_page, 0, bytes, (int)count, room, units);
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
  int bytes = text ? WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr) : 0;
  if (bytes <= 0) return (char*)calloc(1, 1);
  auto* copy = (char*)malloc((size_t)bytes + 1);
  if (!copy) return nullptr;
  WideCharToMultiByte(CP_UTF8, 0, text, -1, copy, bytes, nullptr, nullptr);
  copy[bytes] = 0;
  return copy;
}

wchar_t* utf8_to_text(const char* bytes, int64_t at) {
  if (!bytes) bytes = "";
  int units = MultiByteToWideChar(CP_UTF8, 0, bytes, -1, nullptr, 0);
  if (units < 1) units = 1;
  wchar_t* room = reserve_characters(units - 1, at);
  if (!room) return nullptr;
  if (units > 1) MultiByteToWideChar(CP_UTF8, 0, bytes, -1, room, units);
  room[units - 1] = 0;
  return room;
}
