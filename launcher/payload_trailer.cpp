#include "launcher/payload_trailer.h"

#include "launcher/certificate_table.h"
#include "runtime/core/files.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/memory.h"
#include "runtime/core/registry.h"
#include "runtime/core/strings.h"

namespace {

constexpr int64_t field_size = 4;
// Signing tools align the certificate table to 8 bytes with zeros in front.
constexpr int32_t most_signing_padding = 7;

bool ends_with_magic(int64_t file, int64_t end) {
  if (end < field_size) return false;
  seek_file(file, end - field_size);
  uint8_t magic[field_size] = {};
  text_scope scope;
  if (read_bytes(file, magic, field_size) == field_size)
    bytes_to_string(magic, field_size, text_format_ascii, accumulator.offset);
  else
    empty_text_at(accumulator.offset);
  return texts_equal(scope.text(), L"WAPP");
}

// The part of length bytes that ends at end, in one request; none when the
// part is absent or no block can be had for it.
void* read_part(int64_t file, int64_t end, int32_t length) {
  if (length < 1) return nullptr;
  void* block = allocate_memory(length);
  if (!block) return nullptr;
  seek_file(file, end - length);
  read_bytes(file, block, length);
  return block;
}

// Reads the length field that ends at `end` and the part that lies before
// it, and moves `end` to the start of what was read. A field or a length that
// reaches before the start of the file is not believed: nothing is allocated,
// read or stored for it, and the result is false.
bool read_length_and_part(int64_t file, int64_t& end, int32_t& length, void*& block) {
  int64_t position = end - field_size;
  if (position < 0) return false;
  seek_file(file, position);
  int32_t value = read_int32(file);
  if (value > position) return false;
  length = value;
  block = read_part(file, position, value);
  end = value > 0 ? position - value : position;  // an absent part takes no room
  return true;
}

// Where the trailer ends: at the end of the file, or, in a signed file that
// does not end with the magic, right before its certificate table and the
// zeros a signing tool may have put in front of it. 0 when there is none.
int64_t trailer_end(int64_t file, int64_t size) {
  if (ends_with_magic(file, size)) return size;
  int64_t table = certificate_table_offset(file, size);
  if (!table) return 0;
  uint8_t padding[most_signing_padding] = {};
  int64_t from = table > most_signing_padding ? table - most_signing_padding : 0;
  seek_file(file, from);
  if (read_bytes(file, padding, (int32_t)(table - from)) != table - from) return 0;
  int64_t end = table;
  while (end > from && padding[end - from - 1] == 0) end--;
  return ends_with_magic(file, end) ? end : 0;
}

payload_record read_parts(int64_t file, int64_t size) {
  payload_record payload = {};
  int64_t end = trailer_end(file, size);
  if (!end) return payload;
  end -= field_size;
  // Without a sound archive length the JSON length cannot be found either.
  if (read_length_and_part(file, end, payload.archive_length, payload.archive_block))
    read_length_and_part(file, end, payload.json_length, payload.json_block);
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
