#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/pack/zip_plugin.h"

namespace {

constexpr size_t read_block_size = 10240;

// Zip format only, no filters. libarchive decodes every name itself: names
// flagged as UTF-8 exactly, the others in the ANSI code page set here (its
// own default would be the OEM code page). The names are taken in that wide
// form, because the 8-bit form it hands out is re-encoded for the C
// library's locale and loses whatever that code page cannot hold. They are
// not tested for UTF-8 afterwards: libarchive does not say which names
// carried the flag, and the decoded name cannot tell them apart (in code
// page 1252 the flagged name U+00C3 U+00A9 and the unflagged bytes C3 A9,
// UTF-8 for U+00E9, both read as U+00C3 U+00A9).
int setup_zip_reader(archive* reader) {
  int status = archive_read_support_format_zip(reader);
  if (status != ARCHIVE_OK) return status;
  char charset[16];
  snprintf(charset, sizeof charset, "CP%u", GetACP());
  return archive_read_set_format_option(reader, "zip", "hdrcharset", charset);
}

archive* open_reader(const zip_pack_handle* zip) {
  archive* reader = archive_read_new();
  if (!reader) return nullptr;
  int status = zip->setup(reader);
  if (status == ARCHIVE_OK) {
    status = zip->path ? archive_read_open_filename_w(reader, zip->path, read_block_size)
                       : archive_read_open_memory(reader, zip->memory, (size_t)zip->size);
  }
  if (status == ARCHIVE_OK) return reader;
  archive_read_free(reader);
  return nullptr;
}

// Takes over `path` (a copy from the runtime heap, or none for memory).
void* open_reading_handle(pack_record* pack, wchar_t* path, const void* memory, int64_t size) {
  auto* zip = (zip_pack_handle*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(zip_pack_handle));
  if (zip) {
    zip->path = path;
    zip->memory = memory;
    zip->size = size;
    zip->mode = zip_mode_reading;
    zip->setup = setup_zip_reader;
    zip->owner = pack;
    zip->archive = open_reader(zip);
    if (zip->archive) {
      pack->handle = zip;
      return zip;
    }
    HeapFree(runtime.heap, 0, zip);
  }
  if (path) HeapFree(runtime.heap, 0, path);
  return nullptr;
}

archive_entry* current_entry(void* handle) { return ((zip_pack_handle*)handle)->current_entry; }

// The entry an extraction reads: the current one, or with a name the first
// entry of that name from the start of the archive. None for a directory.
archive_entry* chosen_entry(zip_pack_handle* zip, const wchar_t* name) {
  if (zip->mode != zip_mode_reading) return nullptr;
  if (name && name[0]) {
    if (!zip_rewind(zip)) return nullptr;
    while (zip_next_entry(zip) && !texts_equal(archive_entry_pathname_w(zip->current_entry), name)) {
    }
  }
  archive_entry* entry = zip->current_entry;
  return entry && archive_entry_filetype(entry) != AE_IFDIR ? entry : nullptr;
}

// The bytes copied, or -1 after a read error or a write that did not take
// every byte: nothing counts as written that is not on disk.
int64_t copy_entry_data(archive* reader, HANDLE file) {
  void* buffer = HeapAlloc(runtime.heap, 0, zip_copy_chunk);
  if (!buffer) return -1;
  int64_t total = 0;
  for (;;) {
    la_ssize_t count = archive_read_data(reader, buffer, zip_copy_chunk);
    if (count == 0) break;
    DWORD written = 0;
    if (count < 0 || !WriteFile(file, buffer, (DWORD)count, &written, nullptr) || written != (DWORD)count ||
        (pack_between_blocks && !pack_between_blocks())) {
      total = -1;
      break;
    }
    total += count;
  }
  HeapFree(runtime.heap, 0, buffer);
  return total;
}

}  // namespace

void* zip_open_file(pack_record* pack, const wchar_t* path) {
  if (!path || !path[0]) return nullptr;
  size_t bytes = (wcslen(path) + 1) * sizeof(wchar_t);
  auto* copy = (wchar_t*)HeapAlloc(runtime.heap, 0, bytes);
  if (!copy) return nullptr;
  memcpy(copy, path, bytes);
  return open_reading_handle(pack, copy, nullptr, 0);
}

void* zip_open_memory(pack_record* pack, const void* memory, int64_t size) {
  if (!memory || size <= 0) return nullptr;
  return open_reading_handle(pack, nullptr, memory, size);
}

int32_t zip_rewind(void* handle) {
  auto* zip = (zip_pack_handle*)handle;
  if (zip->mode != zip_mode_reading) return 0;
  zip->current_entry = nullptr;
  // Until a header has been read the archive is still at its start; one
  // that could not be opened again is tried again.
  if (!zip->walk_started && zip->archive) return 1;
  archive_read_free(zip->archive);
  zip->archive = open_reader(zip);
  zip->walk_started = 0;
  return zip->archive ? 1 : 0;
}

int32_t zip_next_entry(void* handle) {
  auto* zip = (zip_pack_handle*)handle;
  if (zip->mode != zip_mode_reading || !zip->archive) return 0;
  zip->walk_started = 1;
  archive_entry* entry = nullptr;
  // A warning still gives an entry, and the ones after it stay readable:
  // a name that could not be decoded (then there is none), local and
  // central headers that disagree on a size or checksum. Its data is
  // checked as it is read, so a damaged file still fails its extraction.
  int status = archive_read_next_header(zip->archive, &entry);
  if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
    zip->current_entry = nullptr;
    return 0;
  }
  zip->current_entry = entry;
  return 1;
}

wchar_t* zip_entry_name(void* handle, int64_t at) {
  archive_entry* entry = current_entry(handle);
  empty_text_at(at);
  append_text(entry ? archive_entry_pathname_w(entry) : nullptr);
  return accumulator_text(at);
}

int64_t zip_entry_size(void* handle) {
  archive_entry* entry = current_entry(handle);
  return entry ? archive_entry_size(entry) : -1;
}

int32_t zip_entry_is_directory(void* handle) {
  archive_entry* entry = current_entry(handle);
  if (!entry) return -1;
  return archive_entry_filetype(entry) == AE_IFDIR ? 1 : 0;
}

int64_t zip_entry_date(void* handle, int32_t kind) {
  archive_entry* entry = current_entry(handle);
  if (!entry) return -1;
  switch (kind) {
    case pack_date_created:
      return archive_entry_birthtime_is_set(entry) ? archive_entry_birthtime(entry) : -1;
    case pack_date_accessed:
      return archive_entry_atime_is_set(entry) ? archive_entry_atime(entry) : -1;
    case pack_date_modified:
      return archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : -1;
  }
  return -1;
}

int32_t zip_extract_to_file(void* handle, const wchar_t* path, const wchar_t* name) {
  auto* zip = (zip_pack_handle*)handle;
  if (!path || !path[0] || !chosen_entry(zip, name)) return -1;
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  int64_t total = copy_entry_data(zip->archive, file);
  CloseHandle(file);
  if (total < 0) {
    DeleteFileW(path);
    return -1;
  }
  // The count is signed 32-bit. An entry of 2 GiB or more is on disk in full
  // and stays; its count stops at INT32_MAX instead of wrapping into a
  // negative value that would read as a failure.
  return total > INT32_MAX ? INT32_MAX : (int32_t)total;
}

int64_t zip_extract_to_memory(void* handle, void* buffer, int64_t size, const wchar_t* name) {
  auto* zip = (zip_pack_handle*)handle;
  if (!buffer || size < 0 || !chosen_entry(zip, name)) return -1;
  return archive_read_data(zip->archive, buffer, (size_t)size);
}
