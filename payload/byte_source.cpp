#include "payload/byte_source.h"

#include <cstring>

namespace {

size_t read_memory(const byte_source& source, uint64_t offset, void* buffer, size_t count) {
  if (offset >= source.size) return 0;
  if (count > source.size - offset) count = (size_t)(source.size - offset);
  std::memcpy(buffer, (const char*)source.context + offset, count);
  return count;
}

}  // namespace

byte_source memory_source(std::string_view bytes) { return {bytes.size(), read_memory, bytes.data()}; }

bool read_exactly(const byte_source& source, uint64_t offset, void* buffer, size_t count) {
  if (offset > source.size || count > source.size - offset) return false;
  return count == 0 || source.read(source, offset, buffer, count) == count;
}
