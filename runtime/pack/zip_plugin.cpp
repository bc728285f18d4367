#include "runtime/pack/zip_plugin.h"

#include <windows.h>
#include <zlib.h>

#include <climits>

#include "runtime/core/runtime_globals.h"

namespace {

void zip_close(void* handle) {
  auto* zip = (zip_pack_handle*)handle;
  if (!zip) return;
  if (zip->mode == zip_mode_writing) {
    archive_write_free(zip->archive);
  } else {
    archive_read_free(zip->archive);
    if (zip->path) HeapFree(runtime.heap, 0, zip->path);
  }
  HeapFree(runtime.heap, 0, zip);
}

// zlib counts in 32-bit uLong on Windows: larger blocks are refused rather
// than cut short.
bool fits_zlib(int64_t size) { return size >= 0 && size <= (int64_t)ULONG_MAX; }

int64_t compress_memory(const void* source, int64_t source_size, void* destination,
                        int64_t destination_size, int32_t level) {
  if (!source || !destination || !fits_zlib(source_size) || !fits_zlib(destination_size)) return 0;
  uLongf written = (uLongf)destination_size;
  if (compress2((Bytef*)destination, &written, (const Bytef*)source, (uLong)source_size, level) != Z_OK) return 0;
  return (int64_t)written;
}

int64_t uncompress_memory(const void* source, int64_t source_size, void* destination,
                          int64_t destination_size) {
  if (!source || !destination || !fits_zlib(source_size) || !fits_zlib(destination_size)) return -1;
  uLongf written = (uLongf)destination_size;
  if (uncompress((Bytef*)destination, &written, (const Bytef*)source, (uLong)source_size) != Z_OK) return -1;
  return (int64_t)written;
}

}  // namespace

const pack_plugin_slots zip_plugin_slots = {
    zip_close,
    zip_open_file,
    zip_add_file,
    zip_add_memory,
    zip_create_file,
    zip_rewind,
    zip_entry_size,
    zip_entry_is_directory,
    zip_next_entry,
    zip_entry_name,
    zip_extract_to_file,
    zip_extract_to_memory,
    nullptr,
    compress_memory,
    uncompress_memory,
    zip_open_memory,
    zip_entry_date,
    zip_add_directory,
};
