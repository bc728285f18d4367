#pragma once
// Paths under the temporary directory that no other test program uses, and
// files written there past the runtime's own file library.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

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

// Points TMP and TEMP (which GetTempPathW reads) at a folder for its life,
// then puts back what was there: a variable that was absent is absent again.
class temp_directory_override {
 public:
  explicit temp_directory_override(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[32768];
      DWORD n = GetEnvironmentVariableW(name, value, 32768);
      saved_.push_back({name, n > 0 && n < 32768, n > 0 && n < 32768 ? value : L""});
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  ~temp_directory_override() {
    for (const auto& [name, present, value] : saved_) SetEnvironmentVariableW(name, present ? value.c_str() : nullptr);
  }
  temp_directory_override(const temp_directory_override&) = delete;
  temp_directory_override& operator=(const temp_directory_override&) = delete;

 private:
  struct saved_variable {
    const wchar_t* name;
    bool present;
    std::wstring value;
  };
  std::vector<saved_variable> saved_;
};
