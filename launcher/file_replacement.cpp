#include "launcher/file_replacement.h"

#include <windows.h>

#include <algorithm>

namespace {

std::string problem_of(DWORD error) { return "Windows error " + std::to_string(error); }

}  // namespace

bool read_file_at_most(const std::wstring& path, size_t most, std::string& bytes, std::string& problem) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return problem = problem_of(GetLastError()), false;
  bytes.clear();
  bool read = true;
  char block[65536];
  // Until the end, however long the file has become since it was measured.
  for (DWORD got = 1; read && got > 0 && bytes.size() <= most;) {
    DWORD ask = (DWORD)std::min<size_t>(sizeof block, most + 1 - bytes.size());
    read = ReadFile(file, block, ask, &got, nullptr);
    if (read) bytes.append(block, got);
  }
  if (!read) problem = problem_of(GetLastError());
  CloseHandle(file);
  return read;
}

bool replace_file(const std::wstring& path, std::string_view bytes, std::string& problem) {
  // Named for the process and the moment: two writers never share one.
  std::wstring temporary =
      path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()) + L".wapp-saving";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return problem = problem_of(GetLastError()), false;
  bool written = true;
  DWORD put = 0;
  for (size_t done = 0; written && done < bytes.size(); done += put) {
    DWORD ask = (DWORD)std::min<size_t>(bytes.size() - done, 1u << 30);
    written = WriteFile(file, bytes.data() + done, ask, &put, nullptr) && put > 0;
  }
  written = written && FlushFileBuffers(file);
  DWORD error = written ? 0 : GetLastError();
  CloseHandle(file);
  bool exists = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (written && !(exists ? ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                         nullptr, nullptr)
                          : MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)))
    written = false, error = GetLastError();
  if (written) return true;
  DeleteFileW(temporary.c_str());
  problem = problem_of(error);
  return false;
}
