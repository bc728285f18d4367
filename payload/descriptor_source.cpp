#include "payload/descriptor_source.h"

#include <cerrno>

#include <unistd.h>

namespace {

size_t read_descriptor(const byte_source& source, uint64_t offset, void* buffer, size_t count) {
  int descriptor = *(const int*)source.context;
  size_t done = 0;
  while (done < count) {
    ssize_t got = pread(descriptor, (char*)buffer + done, count - done, (off_t)(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += (size_t)got;
  }
  return done;
}

}  // namespace

byte_source descriptor_source(const int& descriptor, uint64_t size) { return {size, read_descriptor, &descriptor}; }
