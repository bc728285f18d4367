#include "launcher-linux/payload_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "launcher-linux/folder_tree.h"
#include "payload/descriptor_source.h"
#include "payload/trailer.h"

namespace {

// The part's bytes; none when it is absent or cannot be read whole.
std::string read_part(const byte_source& file, uint64_t offset, int32_t length) {
  std::string bytes(length > 0 ? (size_t)length : 0, '\0');
  if (!read_exactly(file, offset, bytes.data(), bytes.size())) bytes.clear();
  return bytes;
}

}  // namespace

payload_texts read_payload_file(const char* path) {
  payload_texts payload{};
  descriptor own(open(path, O_RDONLY | O_CLOEXEC));
  struct stat about;
  if (!own || fstat(own.value, &about) != 0) return payload;
  byte_source file = descriptor_source(own.value, (uint64_t)about.st_size);
  trailer_layout layout = find_trailer(file);
  if (layout.archive_found) payload.archive = read_part(file, layout.archive_offset, layout.archive_length);
  if (layout.sound) payload.json = read_part(file, layout.json_offset, layout.json_length);
  payload.has_json = !payload.json.empty();
  return payload;
}
