#pragma once
// The payload library's fixed texts (the launcher's file names, the default
// settings document) are ASCII, the runtime's texts UTF-16: widened unit by
// unit when the launcher is compiled, so that each keeps one spelling.
#include <cstddef>

template <size_t N>
struct wide_ascii {
  wchar_t text[N];
  constexpr wide_ascii(const char (&ascii)[N]) : text{} {
    for (size_t i = 0; i < N; i++) text[i] = (wchar_t)ascii[i];
  }
};
