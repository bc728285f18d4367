#include "launcher/payload_trailer.h"

#include "payload/trailer.h"
#include "runtime/core/files.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/memory.h"
#include "runtime/core/registry.h"
#include "runtime/core/strings.h"

namespace {

size_t read_open_file(const byte_source& source, uint64_t offset, void* buffer, size_t count) {
  int64_t file = *(const int64_t*)source.context;
  seek_file(file, (int64_t)offset);
  int32_t read = read_bytes(file, buffer, (int32_t)count);
  return read > 0 ? (size_t)read : 0;
}

// The part in one request, into a block of its own; none when the part is
// absent or no block can be had for it.
void* read_part(int64_t file, uint64_t offset, int32_t length) {
  if (length < 1) return nullptr;
  void* block = allocate_memory(length);
  if (!block) return nullptr;
  seek_file(file, (int64_t)offset);
  read_bytes(file, block, length);
  return block;
}

payload_record read_parts(int64_t file, int64_t size) {
  payload_record payload = {};
  trailer_layout layout = find_trailer({(uint64_t)size, read_open_file, &file});
  if (layout.archive_found) {
    payload.archive_length = layout.archive_length;
    payload.archive_block = read_part(file, layout.archive_offset, layout.archive_length);
  }
  if (layout.sound) {
    payload.json_length = layout.json_length;
    payload.json_block = read_part(file, layout.json_offset, layout.json_length);
  }
  return payload;
}

}  // namespace

payload_record read_payload_trailer_of(const wchar_t* path) {
  int64_t size = file_size(path);
  if (size < 1) return {};
  int64_t file = open_file_for_reading(any_number, path);
  if (!file) return {};
  payload_record payload = read_parts(file, size);
  close_file(file);
  return payload;
}

payload_record read_payload_trailer() {
  path_text name;
  {
    text_scope scope;
    copy_path(name, program_file_name(accumulator.offset));
  }
  return read_payload_trailer_of(name);
}
