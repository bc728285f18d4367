#pragma once
// The floor the launcher's unpacking is measured against: libarchive reading
// a zip and every entry written below a folder, the folders its names need
// made once each, nothing checked, nothing else written.
#include <windows.h>

#include <archive.h>
#include <archive_entry.h>

#include <set>
#include <string>
#include <vector>

// False when the archive could not be read to its end.
inline bool bare_extract(archive* reader, const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  std::set<std::wstring> made;
  std::vector<char> buffer(64 * 1024);
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
    std::wstring path = folder + L"/" + archive_entry_pathname_w(entry);
    for (size_t slash = path.find(L'/', folder.size() + 1); slash != std::wstring::npos;
         slash = path.find(L'/', slash + 1)) {
      std::wstring level = path.substr(0, slash);
      if (made.insert(level).second) CreateDirectoryW(level.c_str(), nullptr);
    }
    if (archive_entry_filetype(entry) == AE_IFDIR) continue;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    la_ssize_t count;
    DWORD written;
    while ((count = archive_read_data(reader, buffer.data(), buffer.size())) > 0)
      WriteFile(file, buffer.data(), (DWORD)count, &written, nullptr);
    CloseHandle(file);
    if (count < 0) return false;
  }
  return status == ARCHIVE_EOF;
}

// The same from an archive in memory or in a file.
inline bool bare_extract(const void* memory, size_t size, const std::wstring& folder) {
  archive* reader = archive_read_new();
  archive_read_support_format_zip(reader);
  bool done = archive_read_open_memory(reader, memory, size) == ARCHIVE_OK && bare_extract(reader, folder);
  archive_read_free(reader);
  return done;
}

inline bool bare_extract(const wchar_t* path, const std::wstring& folder) {
  archive* reader = archive_read_new();
  archive_read_support_format_zip(reader);
  bool done = archive_read_open_filename_w(reader, path, 10240) == ARCHIVE_OK && bare_extract(reader, folder);
  archive_read_free(reader);
  return done;
}
