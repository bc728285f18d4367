#include "payload/trailer.h"

#include <cstring>

#include "payload/pe_headers.h"

namespace {

bool ends_with_magic(const byte_source& source, uint64_t end) {
  uint8_t magic[payload_field_size];
  return end >= payload_field_size && read_exactly(source, end - payload_field_size, magic, payload_field_size) &&
         std::memcmp(magic, payload_magic, payload_field_size) == 0;
}

// Where the trailer ends: at the end of the source, or, in a signed file
// that does not end with the magic, right before its certificate table and
// the zeros a signing tool may have put in front of it. 0 when there is none.
uint64_t find_end(const byte_source& source) {
  if (ends_with_magic(source, source.size)) return source.size;
  certificate_table table = find_certificate_table(source);
  if (!table.at_end) return 0;
  uint8_t padding[most_signing_padding];
  uint64_t from = table.offset > most_signing_padding ? table.offset - most_signing_padding : 0;
  if (!read_exactly(source, from, padding, table.offset - from)) return 0;
  uint64_t end = table.offset;
  while (end > from && padding[end - from - 1] == 0) end--;
  return ends_with_magic(source, end) ? end : 0;
}

// Reads the length field that ends at `end` and finds the part before it;
// moves `end` to the start of both. False when either reaches before the
// start of the source.
bool walk_back(const byte_source& source, uint64_t& end, int32_t& length, uint64_t& offset) {
  uint8_t field[payload_field_size];
  if (end < payload_field_size) return false;
  uint64_t position = end - payload_field_size;
  if (!read_exactly(source, position, field, payload_field_size)) return false;
  int32_t value = (int32_t)little_endian(field, 4);
  if (value > 0 && (uint64_t)value > position) return false;
  length = value;
  end = value > 0 ? position - value : position;  // an absent part takes no room
  offset = end;
  return true;
}

}  // namespace

trailer_layout find_trailer(const byte_source& source) {
  trailer_layout t{};
  t.start = source.size;
  t.end = find_end(source);
  if (!t.end) return t;
  t.present = true;
  uint64_t end = t.end - payload_field_size;
  t.archive_found = walk_back(source, end, t.archive_length, t.archive_offset);
  // Without a sound archive length the JSON length cannot be found either.
  if (!t.archive_found) return t;
  t.sound = walk_back(source, end, t.json_length, t.json_offset);
  if (t.sound) t.start = end;
  return t;
}

std::string length_field(int64_t length) {
  std::string field(payload_field_size, '\0');
  put_little_endian((uint8_t*)field.data(), (uint32_t)length, 4);
  return field;
}

uint64_t alignment_padding(uint64_t length) { return (payload_alignment - length % payload_alignment) % payload_alignment; }

uint64_t json_padding(uint64_t executable_size, uint64_t json_size) {
  return alignment_padding(executable_size + json_size + payload_field_size);
}

std::string trailer_tail(int64_t archive_length) { return length_field(archive_length) + payload_magic; }

std::string trailer_bytes(std::string_view json, std::string_view archive) {
  std::string bytes(json);
  bytes += length_field((int64_t)json.size());
  bytes += archive;
  return bytes + trailer_tail((int64_t)archive.size());
}
