#pragma once
// The zip plugin: every archive operation goes through libarchive, memory
// compression through zlib.
#include <archive.h>
#include <archive_entry.h>

#include <cstdint>

#include "runtime/pack/pack.h"

constexpr int32_t zip_mode_reading = 0;
constexpr int32_t zip_mode_writing = 1;

// Entry data moves between archive and disk in pieces of this size, through
// one buffer per operation.
constexpr int64_t zip_copy_chunk = 2 * 1024 * 1024;

// The plugin's per-pack record, from the runtime heap, zero-filled.
struct zip_pack_handle {
  archive* archive;
  wchar_t* path;          // own copy, packs read from a file
  const void* memory;     // packs read from memory
  int64_t size;
  int32_t mode;
  archive_entry* current_entry;  // libarchive's, reused for every entry
  int32_t walk_started;          // a header has been read since the archive was opened
  int (*setup)(struct archive*);
  pack_record* owner;
};

extern const pack_plugin_slots zip_plugin_slots;

// Reading.
void* zip_open_file(pack_record* pack, const wchar_t* path);
void* zip_open_memory(pack_record* pack, const void* memory, int64_t size);
int32_t zip_rewind(void* handle);
int32_t zip_next_entry(void* handle);
wchar_t* zip_entry_name(void* handle, int64_t at);
int64_t zip_entry_size(void* handle);
int32_t zip_entry_is_directory(void* handle);
int64_t zip_entry_date(void* handle, int32_t kind);
int32_t zip_extract_to_file(void* handle, const wchar_t* path, const wchar_t* name);
int64_t zip_extract_to_memory(void* handle, void* buffer, int64_t size, const wchar_t* name);

// Writing.
void* zip_create_file(pack_record* pack, const wchar_t* path, int32_t level);
int32_t zip_add_file(void* handle, const wchar_t* disk_path, const wchar_t* name);
int32_t zip_add_memory(void* handle, const void* memory, int64_t size, const wchar_t* name);
int32_t zip_add_directory(void* handle, const wchar_t* name);
