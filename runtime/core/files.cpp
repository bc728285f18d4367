#include "runtime/core/files.h"

#include <cstring>

#include "runtime/core/filesystem.h"
#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"

namespace {

struct file_library_state {
  registry* files;
  // Runtime-wide; with 0 every file would be read and written unbuffered.
  int32_t buffer_size;
};

file_library_state* state;

registry* file_registry() { return state ? state->files : nullptr; }

file_record* find_file(int64_t file) {
  registry* files = file_registry();
  return files ? (file_record*)find_object(files, file) : nullptr;
}

// The int32 fields and the trailer magic are the common small requests:
// constant sizes compile to single moves instead of a call.
void copy_bytes(uint8_t* to, const uint8_t* from, int32_t n) {
  if (n == 4) {
    memcpy(to, from, 4);
  } else if (n == 2) {
    memcpy(to, from, 2);
  } else if (n == 1) {
    *to = *from;
  } else if (n > 0) {
    memcpy(to, from, n);
  }
}

int32_t flush(file_record* f) {
  if (f->mode != file_mode_write) return 0;
  DWORD written = 0;
  int32_t pending = f->buffer_size - f->count;
  if (pending > 0) WriteFile(f->handle, f->buffer, pending, &written, nullptr);
  f->count = f->buffer_size;
  return (int32_t)written;
}

// Writes what is pending and forgets any read-ahead: the OS position and the
// caller's position agree again.
void drop_buffer(file_record* f) {
  flush(f);
  f->mode = file_mode_read;
  f->count = 0;
}

HANDLE open_handle(const wchar_t* path, bool for_writing) {
  path_text name;
  // A cut name would open, or truncate, another file.
  if (!copy_whole_path(name, path)) return INVALID_HANDLE_VALUE;
  // Readers share with readers: the launcher reads its own file while a
  // second copy starting, a backup or an indexer reads it too. A writer
  // still keeps the file to itself, and nobody writes while it is read.
  if (!for_writing)
    return CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE handle =
      CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  // CREATE_ALWAYS with normal attributes is refused for an existing hidden
  // or system file; truncating it keeps its attributes and succeeds.
  if (handle == INVALID_HANDLE_VALUE)
    handle = CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  return handle;
}

int64_t open_file(int64_t file, const wchar_t* path, bool for_writing) {
  registry* files = file_registry();
  if (!files) return 0;
  file_record* f = (file_record*)obtain_slot(files, file);
  if (!f) return 0;
  HANDLE handle = open_handle(path, for_writing);
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    release_slot(files, file == any_number ? identifier_of(f) : file);
    return 0;
  }
  f->handle = handle;
  if (state->buffer_size > 0)
    f->buffer = (uint8_t*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, state->buffer_size);
  // Without a buffer the file still works, unbuffered.
  if (f->buffer) f->buffer_size = state->buffer_size;
  f->count = 0;
  f->mode = file_mode_read;
  f->text_format = text_format_utf8;
  f->read_only = for_writing ? 0 : 1;
  return file == any_number ? identifier_of(f) : (int64_t)(uintptr_t)handle;
}

}  // namespace

void file_library_start() {
  state = (file_library_state*)new_library_state(sizeof(file_library_state), nullptr);
  if (!state) return;
  state->files = create_registry(sizeof(file_record), 16, close_file);
  state->buffer_size = 4096;
}

void file_library_stop() {
  registry* files = file_registry();
  if (files) release_all(files);
}

int64_t open_file_for_reading(int64_t file, const wchar_t* path) { return open_file(file, path, false); }

int64_t create_file(int64_t file, const wchar_t* path) { return open_file(file, path, true); }

void seek_file(int64_t file, int64_t position) {
  file_record* f = find_file(file);
  // A position before the start cannot be reached; refusing it here keeps the
  // buffered bytes, so the caller's position stays where it was.
  if (!f || position < 0) return;
  if (f->buffer) drop_buffer(f);
  LONG high = (LONG)(position >> 32);
  SetFilePointer(f->handle, (LONG)(position & 0xFFFFFFFF), &high, FILE_BEGIN);
}

int32_t read_bytes(int64_t file, void* memory, int32_t length) {
  file_record* f = find_file(file);
  if (!f || !memory || length <= 0) return 0;
  DWORD got = 0;
  if (!f->buffer) {
    ReadFile(f->handle, memory, length, &got, nullptr);
    return (int32_t)got;
  }
  if (f->mode == file_mode_write) drop_buffer(f);
  uint8_t* to = (uint8_t*)memory;
  int32_t available = f->count;
  const uint8_t* unread = f->buffer + (f->filled - f->count);
  if (available >= length) {
    copy_bytes(to, unread, length);
    f->count -= length;
    return length;
  }
  copy_bytes(to, unread, available);
  int32_t rest = length - available;
  if (rest >= f->buffer_size) {
    // Large requests go to the OS in one call, past the buffer.
    ReadFile(f->handle, to + available, rest, &got, nullptr);
    f->count = 0;
    return available + (int32_t)got;
  }
  ReadFile(f->handle, f->buffer, f->buffer_size, &got, nullptr);
  f->filled = (int32_t)got;
  int32_t moved = f->filled < rest ? f->filled : rest;
  copy_bytes(to + available, f->buffer, moved);
  f->count = f->filled - moved;
  return available + moved;
}

int32_t read_int32(int64_t file) {
  int32_t value = 0;
  read_bytes(file, &value, 4);
  return value;
}

int32_t write_bytes(int64_t file, const void* memory, int32_t length) {
  file_record* f = find_file(file);
  if (!f || !memory || length <= 0 || f->read_only) return 0;
  DWORD written = 0;
  if (!f->buffer) {
    WriteFile(f->handle, memory, length, &written, nullptr);
    return (int32_t)written;
  }
  if (f->mode == file_mode_read) {
    // The OS has read ahead of the caller by the bytes not yet handed out.
    if (f->count > 0) SetFilePointer(f->handle, -f->count, nullptr, FILE_CURRENT);
    f->count = f->buffer_size;
    f->mode = file_mode_write;
  }
  const uint8_t* from = (const uint8_t*)memory;
  if (length < f->count) {
    copy_bytes(f->buffer + (f->buffer_size - f->count), from, length);
    f->count -= length;
    return length;
  }
  flush(f);
  if (length >= f->buffer_size) {
    WriteFile(f->handle, from, length, &written, nullptr);
    return (int32_t)written;
  }
  copy_bytes(f->buffer, from, length);
  f->count -= length;
  return length;
}

void close_file(int64_t file) {
  release_object(file_registry(), file, [](void* record) {
    auto* f = (file_record*)record;
    if (f->buffer) {
      flush(f);
      HeapFree(runtime.heap, 0, f->buffer);
    }
    CloseHandle(f->handle);
  });
}
