#pragma once
// Files opened under object numbers, read and written through a per-file
// buffer that switches between read-ahead and pending writes.
#include <windows.h>
#include <cstdint>

struct file_record {
  HANDLE handle;        // live while non-zero
  uint8_t* buffer;      // from the runtime heap; none: the file is unbuffered
  int32_t buffer_size;
  int32_t count;        // read mode: bytes not yet handed out; write mode: free bytes
  int32_t filled;       // read mode: bytes the last refill brought in
  int32_t mode;         // file_mode_read or file_mode_write
  int32_t text_format;
  int32_t read_only;
};

constexpr int32_t file_mode_write = 0;
constexpr int32_t file_mode_read = 1;

void file_library_start();
void file_library_stop();

// With a number the result is the OS handle, with any_number the file's
// identifier; 0 on failure.
int64_t open_file_for_reading(int64_t file, const wchar_t* path);
int64_t create_file(int64_t file, const wchar_t* path);

void seek_file(int64_t file, int64_t position);
int32_t read_bytes(int64_t file, void* memory, int32_t length);
int32_t read_int32(int64_t file);
int32_t write_bytes(int64_t file, const void* memory, int32_t length);
// any_number closes every open file.
void close_file(int64_t file);
