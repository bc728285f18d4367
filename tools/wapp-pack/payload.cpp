#include "payload.h"

namespace {

int32_t read_length(const std::string& b, uint64_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = v << 8 | (uint8_t)b[at + i];
  return (int32_t)v;
}

}  // namespace

trailer_layout find_trailer(const std::string& bytes) {
  trailer_layout t{};
  t.start = bytes.size();
  if (bytes.size() < 4 || bytes.compare(bytes.size() - 4, 4, "WAPP") != 0) return t;
  t.present = true;
  // Walks back as the launcher does: an absent part takes no room.
  uint64_t end = bytes.size() - 4;
  if (end < 4) return t;
  end -= 4;
  t.archive_length = read_length(bytes, end);
  uint64_t archive_room = t.archive_length > 0 ? (uint64_t)t.archive_length : 0;
  if (archive_room + 4 > end) return t;
  t.archive_offset = end -= archive_room;
  end -= 4;
  t.json_length = read_length(bytes, end);
  uint64_t json_room = t.json_length > 0 ? (uint64_t)t.json_length : 0;
  if (json_room > end) return t;
  t.json_offset = t.start = end - json_room;
  t.sound = true;
  return t;
}

std::string length_field(int64_t length) {
  std::string field(4, '\0');
  for (int i = 0; i < 4; i++) field[i] = (char)((uint64_t)length >> (8 * i) & 0xFF);
  return field;
}
