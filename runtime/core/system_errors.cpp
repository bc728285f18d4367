#include "runtime/core/system_errors.h"

#include "runtime/core/utf16.h"

std::string system_message(DWORD error, HMODULE module) {
  wchar_t* text = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                (module ? FORMAT_MESSAGE_FROM_HMODULE : 0);
  DWORD length = FormatMessageW(flags, module, error, 0, (wchar_t*)&text, 0, nullptr);
  std::string words;
  try {
    if (length) words = utf8_of(std::wstring(text, length));
  } catch (...) {
  }
  if (text) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) words.pop_back();
  return words;
}
