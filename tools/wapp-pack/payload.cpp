#include "payload.h"

#include "byte_fields.h"
#include "certificate_table.h"

namespace {

bool ends_with_magic(const std::string& bytes, uint64_t end) {
  return end >= 4 && bytes.compare(end - 4, 4, "WAPP") == 0;
}

// Where the trailer ends, as the launcher looks for it; 0 for nowhere.
uint64_t trailer_end(const std::string& bytes) {
  if (ends_with_magic(bytes, bytes.size())) return bytes.size();
  certificate_table table = find_certificate_table(bytes);
  if (!table.at_end) return 0;
  uint64_t end = table.offset, from = end > most_signing_padding ? end - most_signing_padding : 0;
  while (end > from && bytes[end - 1] == 0) end--;
  return ends_with_magic(bytes, end) ? end : 0;
}

}  // namespace

trailer_layout find_trailer(const std::string& bytes) {
  trailer_layout t{};
  t.start = bytes.size();
  t.end = trailer_end(bytes);
  if (!t.end) return t;
  t.present = true;
  // Walks back as the launcher does: an absent part takes no room.
  uint64_t end = t.end - 4;
  if (end < 4) return t;
  end -= 4;
  t.archive_length = (int32_t)get32(bytes, end);
  uint64_t archive_room = t.archive_length > 0 ? (uint64_t)t.archive_length : 0;
  if (archive_room + 4 > end) return t;
  t.archive_offset = end -= archive_room;
  end -= 4;
  t.json_length = (int32_t)get32(bytes, end);
  uint64_t json_room = t.json_length > 0 ? (uint64_t)t.json_length : 0;
  if (json_room > end) return t;
  t.json_offset = t.start = end - json_room;
  t.sound = true;
  return t;
}

std::string length_field(int64_t length) {
  std::string field(4, '\0');
  put32(field, 0, (uint32_t)length);
  return field;
}
