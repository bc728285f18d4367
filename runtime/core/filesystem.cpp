#include "runtime/core/filesystem.h"

#include <cstring>
#include <initializer_list>

#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool drive_exists(const wchar_t* root) { return GetDriveTypeW(root) > DRIVE_NO_ROOT_DIR; }

// The long-path prefix "\\?\" is not expected by the other path operations;
// "\\?\UNC\server\share" stands for "\\server\share".
int remove_long_path_prefix(wchar_t* name, int n) {
  if (n < 4 || wcsncmp(name, L"\\\\?\\", 4) != 0) return n;
  if (n >= 8 && wcsncmp(name + 4, L"UNC\\", 4) == 0) {
    memmove(name + 2, name + 8, (n - 8) * sizeof(wchar_t));
    return n - 6;
  }
  memmove(name, name + 4, (n - 4) * sizeof(wchar_t));
  return n - 4;
}

using long_path_function = DWORD(WINAPI*)(const wchar_t*, wchar_t*, DWORD);

}  // namespace

int copy_path(path_text& out, const wchar_t* first, const wchar_t* second) {
  int n = 0;
  for (const wchar_t* part : {first, second})
    for (const wchar_t* p = part; p && *p && n < path_limit; ++p) out[n++] = *p;
  out[n] = 0;
  return n;
}

bool copy_whole_path(path_text& out, const wchar_t* first, const wchar_t* second) {
  size_t length = (first ? wcslen(first) : 0) + (second ? wcslen(second) : 0);
  out[0] = 0;
  if (length > (size_t)path_limit) return false;
  copy_path(out, first, second);
  return true;
}

wchar_t* program_file_name(int64_t at) {
  wchar_t* name = reserve_characters(path_limit, at);
  if (!name) return nullptr;
  int n = (int)GetModuleFileNameW(runtime.instance, name, path_limit);
  n = remove_long_path_prefix(name, n);
  name[n] = 0;
  give_back_characters(path_limit - n);
  return name;
}

int64_t file_size(const wchar_t* path) {
  if (!path || !*path) return size_absent;
  path_text name;
  int n = copy_path(name, path);
  if ((n == 2 || n == 3) && name[1] == L':') {
    // A drive: GetDriveTypeW wants its root with the separator.
    if (n == 2) copy_path(name, path, L"\\");
    return drive_exists(name) ? size_directory : size_absent;
  }
  while (n > 0 && is_separator(name[n - 1])) name[--n] = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(name, &found);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return size_directory;
    return ((int64_t)found.nFileSizeHigh << 32) + found.nFileSizeLow;
  }
  // A share root (\\server\share) or a ".." start lists nothing but may exist.
  if (name[0] == name[1] && (is_separator(name[0]) || name[0] == L'.')) {
    DWORD attributes = GetFileAttributesW(name);
    if (attributes != INVALID_FILE_ATTRIBUTES)
      return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? size_directory : size_absent;
    return drive_exists(name) ? size_directory : size_absent;
  }
  return size_absent;
}

wchar_t* temporary_directory(int64_t at) {
  wchar_t* directory = reserve_characters(path_limit, at);
  if (!directory) return nullptr;
  DWORD n = GetTempPathW(path_limit, directory);
  // Results of path_limit or more are the sizes a buffer would need.
  if (n >= (DWORD)path_limit) n = 0;
  directory[n] = 0;
  // Looked up at run time: systems without it keep the short form.
  HMODULE kernel = LoadLibraryW(L"Kernel32.DLL");
  if (kernel) {
    auto long_path_name =
        reinterpret_cast<long_path_function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetLongPathNameW")));
    if (long_path_name && n) n = long_path_name(directory, directory, path_limit);
    FreeLibrary(kernel);
  }
  if (n >= (DWORD)path_limit) n = 0;
  directory[n] = 0;
  give_back_characters(path_limit - n);
  return directory;
}

wchar_t* path_part(const wchar_t* path, int64_t at) {
  // The path may lie in the accumulator, which the reservation can move.
  int64_t position = accumulator_position_of(path);
  const wchar_t* text = path ? path : L"";
  int64_t skip = text[0] == L'"' ? 1 : 0;
  int64_t end = skip;
  for (int64_t i = skip; text[i] && text[i] != L'|'; ++i)
    if (is_separator(text[i])) end = i + 1;
  int64_t length = end - skip;
  wchar_t* result = reserve_characters(length, at);
  if (!result) return nullptr;
  if (position) text = accumulator_address(position);
  memmove(result, text + skip, length * sizeof(wchar_t));
  result[length] = 0;
  return result;
}

int create_directory(const wchar_t* path) {
  if (!path) return 0;
  path_text name;
  int n = copy_path(name, path);
  while (n > 0 && (name[n - 1] == L' ' || is_separator(name[n - 1]))) name[--n] = 0;
  if (n == 0) return 0;
  return CreateDirectoryW(name, nullptr);
}

// The filesystem operations hold no numbered objects, so there is nothing to
// release; the step keeps its place in the shut-down order.
void filesystem_library_stop() {}
