#pragma once
// Archives ("packs") opened under object numbers and driven through format
// plugins: tables of operation slots, one table per archive format.
#include <cstdint>

struct pack_record;

// The operations of one plugin. `handle` is the plugin's own per-pack record.
// Generic code calls a filled slot and otherwise gives the failure result.
struct pack_plugin_slots {
  void (*close)(void* handle);
  void* (*open_file)(pack_record* pack, const wchar_t* path);
  // 1 when every byte went into the archive, else 0.
  int32_t (*add_file)(void* handle, const wchar_t* disk_path, const wchar_t* name);
  int32_t (*add_memory)(void* handle, const void* memory, int64_t size, const wchar_t* name);
  void* (*create_file)(pack_record* pack, const wchar_t* path, int32_t level);
  // 1, or 0 when the archive could not be opened again.
  int32_t (*rewind)(void* handle);
  // -1 without a current entry.
  int64_t (*entry_size)(void* handle);
  int32_t (*entry_is_directory)(void* handle);
  int32_t (*next_entry)(void* handle);
  // Text-producing: the current entry's name at accumulator offset `at`.
  wchar_t* (*entry_name)(void* handle, int64_t at);
  // Without a name the current entry is written; with one, the entry of that
  // name. Bytes written, or -1.
  int32_t (*extract_to_file)(void* handle, const wchar_t* path, const wchar_t* name);
  int64_t (*extract_to_memory)(void* handle, void* buffer, int64_t size, const wchar_t* name);
  void* not_provided;  // no plugin has this operation; the slot stays empty
  // Compressed size, 0 on failure.
  int64_t (*compress_memory)(const void* source, int64_t source_size, void* destination,
                             int64_t destination_size, int32_t level);
  // Uncompressed size, -1 on failure.
  int64_t (*uncompress_memory)(const void* source, int64_t source_size, void* destination,
                               int64_t destination_size);
  void* (*open_memory)(pack_record* pack, const void* memory, int64_t size);
  // Seconds since 1970 (UTC) of the current entry; -1 when not recorded.
  int64_t (*entry_date)(void* handle, int32_t kind);
  int32_t (*add_directory)(void* handle, const wchar_t* name);
};

// Kinds of entry_date.
constexpr int32_t pack_date_created = 0;
constexpr int32_t pack_date_accessed = 1;
constexpr int32_t pack_date_modified = 2;

struct pack_plugin_entry {
  int32_t id;
  const pack_plugin_slots* slots;
};

constexpr int32_t pack_plugin_capacity = 64;

// The record of a pack number; live while `slots` is set.
struct pack_record {
  const pack_plugin_slots* slots;
  void* handle;
  int32_t plugin_id;
};

constexpr int32_t zip_plugin_id = 1;
// Plugin id of open_pack and create_pack meaning the first plugin listed.
constexpr int32_t first_pack_plugin = -1;

void pack_library_start();
void pack_library_stop();

// Lists the zip plugin (once, however often it is called). 1, or 0 when the
// pack library has not been started.
int32_t enable_zip_packer();

// Non-zero on success (for any_number the new pack's identifier), 0 on
// failure; a pack already under the number is closed first either way.
int64_t open_pack(int64_t number, const wchar_t* path, int32_t plugin_id);
// The memory must stay untouched until the pack is closed: it is read in place.
int64_t open_memory_pack(int64_t number, const void* memory, int64_t size, int32_t plugin_id);
// Creates an archive file for writing; an existing file at the path is
// replaced. The zip plugin takes levels 0 (stored) to 9.
int64_t create_pack(int64_t number, const wchar_t* path, int32_t level, int32_t plugin_id);

// 1 when the next entry has become current, also one that came with a
// warning; 0 at the end, on a read error or without a pack.
int32_t next_pack_entry(int64_t number);
// The current entry's name as stored ("/" separators, a directory's trailing
// "/" kept); the empty text without a pack or a current entry, or for a name
// that could not be decoded.
wchar_t* pack_entry_name(int64_t number, int64_t at);
// Writes the current entry to a file: bytes written, or -1 (no pack, no
// current entry, a directory, or a failure; a failed file is deleted).
int32_t unpack_entry_to_file(int64_t number, const wchar_t* path);

// While set, asked between the blocks of data an extraction writes (every
// couple of megabytes), so that a program can answer its window during a
// large entry; false stops the extraction, which then fails as a failed
// write does. None by default.
extern bool (*pack_between_blocks)();

// Adding to a pack made by create_pack: 1 on success, 0 otherwise.
int32_t add_pack_file(int64_t number, const wchar_t* disk_path, const wchar_t* name);
int32_t add_pack_memory(int64_t number, const void* memory, int64_t size, const wchar_t* name);
int32_t add_pack_directory(int64_t number, const wchar_t* name);

// any_number closes every pack; a number without a pack is left alone.
void close_pack(int64_t number);
