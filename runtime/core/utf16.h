#pragma once
// UTF-8 and UTF-16, the one pair of converters of the Windows programs: the
// runtime's texts, the browser layer, the launcher and the packer's Windows
// build all convert through these. Bytes that are no UTF-8 and lone
// surrogates become U+FFFD, as the system's conversions make them, unless
// the caller asks for exact text. Header only, and nothing but the system
// underneath, so that the packer, which has no runtime, can use it too.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

// UTF-16 units for the bytes, written to room when it has room_units;
// returns how many there are, -1 when exact text was asked for and the bytes
// are no UTF-8. The empty text is 0 units.
inline int utf8_to_wide(std::string_view utf8, wchar_t* room, int room_units, bool exact = false) {
  if (utf8.empty()) return 0;
  int units = MultiByteToWideChar(CP_UTF8, exact ? MB_ERR_INVALID_CHARS : 0, utf8.data(), (int)utf8.size(), room,
                                  room ? room_units : 0);
  return units > 0 ? units : -1;
}

// UTF-8 bytes for the units, written to room when it has room_bytes.
inline int wide_to_utf8(std::wstring_view wide, char* room, int room_bytes) {
  if (wide.empty()) return 0;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), room, room ? room_bytes : 0, nullptr,
                                  nullptr);
  return bytes > 0 ? bytes : 0;
}

inline std::wstring wide_of(std::string_view utf8) {
  std::wstring wide((size_t)std::max(utf8_to_wide(utf8, nullptr, 0), 0), L'\0');
  utf8_to_wide(utf8, wide.data(), (int)wide.size());
  return wide;
}

// False, and nothing appended, when the bytes are no UTF-8.
inline bool append_exact_wide(std::wstring& wide, std::string_view utf8) {
  int units = utf8_to_wide(utf8, nullptr, 0, true);
  if (units < 0) return false;
  size_t at = wide.size();
  wide.resize(at + (size_t)units);
  utf8_to_wide(utf8, wide.data() + at, units, true);
  return true;
}

inline std::string utf8_of(std::wstring_view wide) {
  std::string utf8((size_t)wide_to_utf8(wide, nullptr, 0), '\0');
  wide_to_utf8(wide, utf8.data(), (int)utf8.size());
  return utf8;
}
inline std::string utf8_of(const wchar_t* wide) { return utf8_of(std::wstring_view(wide ? wide : L"")); }
