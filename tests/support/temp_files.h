#pragma once
// Paths under the temporary directory that no other test program uses, and
// files written there past the runtime's own file library.
#include <windows.h>

#include <string>

inline std::wstring unique_temp_path(const wchar_t* prefix) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId());
}

inline void write_whole_file(const std::wstring& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
  CloseHandle(h);
}
