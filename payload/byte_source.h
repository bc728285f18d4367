#pragma once
// The bytes a payload reader looks at, wherever they are: the launcher's own
// open file, the packer's copy in memory, a descriptor on Linux. The readers
// reach them only through an offset and a count, so none of them needs the
// whole file in memory, and none allocates.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "payload/byte_fields.h"

struct byte_source {
  uint64_t size;
  // Copies up to count bytes from offset into buffer and returns how many it
  // copied; fewer than asked ends the read.
  size_t (*read)(const byte_source& source, uint64_t offset, void* buffer, size_t count);
  const void* context;  // the reader's own: a file, a descriptor, the bytes
};

// Bytes in memory, which must outlive the source.
byte_source memory_source(std::string_view bytes);

// Whether all count bytes at offset lie inside the source and were read.
bool read_exactly(const byte_source& source, uint64_t offset, void* buffer, size_t count);
