#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "runtime/core/runtime_globals.h"
#include "runtime/pack/zip_plugin.h"

namespace {

zip_pack_handle* writer_of(void* handle) {
  auto* zip = (zip_pack_handle*)handle;
  return zip && zip->mode == zip_mode_writing ? zip : nullptr;
}

// A new entry under `name`; none for an empty name. The name goes in wide:
// libarchive first decodes 8-bit names in the C library's locale, which
// garbles UTF-8 bytes and crashes over characters that code page cannot
// hold. Entries made from memory carry the time they were added.
archive_entry* new_entry(const wchar_t* name, unsigned type, int64_t size) {
  if (!name || !name[0]) return nullptr;
  archive_entry* entry = archive_entry_new();
  if (!entry) return nullptr;
  archive_entry_copy_pathname_w(entry, name);
  archive_entry_set_filetype(entry, type);
  archive_entry_set_perm(entry, 0644);
  archive_entry_set_size(entry, size);
  archive_entry_set_mtime(entry, time(nullptr), 0);
  return entry;
}

void set_time(archive_entry* entry, void (*setter)(archive_entry*, time_t, long), FILETIME when) {
  // FILETIME counts 100-ns ticks since 1601; libarchive wants seconds since 1970.
  int64_t ticks = (int64_t)(((uint64_t)when.dwHighDateTime << 32) | when.dwLowDateTime) - 116444736000000000;
  if (ticks < 0) return;
  setter(entry, (time_t)(ticks / 10000000), (long)(ticks % 10000000) * 100);
}

bool write_data(archive* writer, const void* data, int64_t size) {
  auto* bytes = (const char*)data;
  while (size > 0) {
    la_ssize_t count = archive_write_data(writer, bytes, (size_t)std::min(size, zip_copy_chunk));
    if (count <= 0) return false;
    bytes += count;
    size -= count;
  }
  return true;
}

// Copies exactly `size` bytes of the disk file into the current entry.
bool copy_file_data(archive* writer, HANDLE file, int64_t size) {
  void* buffer = HeapAlloc(runtime.heap, 0, zip_copy_chunk);
  if (!buffer) return false;
  int64_t total = 0;
  DWORD count = 0;
  while (total < size && ReadFile(file, buffer, (DWORD)zip_copy_chunk, &count, nullptr) && count > 0 &&
         total + count <= size && write_data(writer, buffer, count)) {
    total += count;
  }
  HeapFree(runtime.heap, 0, buffer);
  return total == size;
}

// Writes the entry's header and then its data; 1 when libarchive took all of it.
int32_t write_entry(zip_pack_handle* zip, archive_entry* entry, auto write) {
  if (!entry) return 0;
  int32_t done = archive_write_header(zip->archive, entry) == ARCHIVE_OK && write() ? 1 : 0;
  archive_entry_free(entry);
  return done;
}

}  // namespace

void* zip_create_file(pack_record* pack, const wchar_t* path, int32_t level) {
  if (!path || !path[0]) return nullptr;
  DeleteFileW(path);
  auto* zip = (zip_pack_handle*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(zip_pack_handle));
  if (!zip) return nullptr;
  // Names are stored as UTF-8 and flagged so; left to itself libarchive would
  // re-encode them to the OEM code page and lose what that cannot hold.
  char options[64];
  snprintf(options, sizeof options, "compression-level=%d,hdrcharset=UTF-8", (int)level);
  archive* writer = archive_write_new();
  if (writer && archive_write_set_format_zip(writer) == ARCHIVE_OK &&
      archive_write_set_options(writer, options) == ARCHIVE_OK &&
      archive_write_open_filename_w(writer, path) == ARCHIVE_OK) {
    zip->archive = writer;
    zip->mode = zip_mode_writing;
    zip->owner = pack;
    pack->handle = zip;
    return zip;
  }
  archive_write_free(writer);
  HeapFree(runtime.heap, 0, zip);
  return nullptr;
}

int32_t zip_add_file(void* handle, const wchar_t* disk_path, const wchar_t* name) {
  zip_pack_handle* zip = writer_of(handle);
  if (!zip || !disk_path || !disk_path[0]) return 0;
  HANDLE file = CreateFileW(disk_path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int32_t done = 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info)) {
    int64_t size = (int64_t)(((uint64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow);
    archive_entry* entry = new_entry(name, AE_IFREG, size);
    if (entry) {
      set_time(entry, archive_entry_set_birthtime, info.ftCreationTime);
      set_time(entry, archive_entry_set_atime, info.ftLastAccessTime);
      set_time(entry, archive_entry_set_mtime, info.ftLastWriteTime);
    }
    done = write_entry(zip, entry, [&] { return copy_file_data(zip->archive, file, size); });
  }
  CloseHandle(file);
  return done;
}

int32_t zip_add_memory(void* handle, const void* memory, int64_t size, const wchar_t* name) {
  zip_pack_handle* zip = writer_of(handle);
  if (!zip || size < 0 || (size > 0 && !memory)) return 0;
  return write_entry(zip, new_entry(name, AE_IFREG, size), [&] { return write_data(zip->archive, memory, size); });
}

int32_t zip_add_directory(void* handle, const wchar_t* name) {
  zip_pack_handle* zip = writer_of(handle);
  if (!zip) return 0;
  return write_entry(zip, new_entry(name, AE_IFDIR, 0), [] { return true; });
}
