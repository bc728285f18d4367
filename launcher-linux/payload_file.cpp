#include "launcher-linux/payload_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <new>

#include "launcher-linux/folder_tree.h"
#include "payload/descriptor_source.h"
#include "payload/trailer.h"

struct file_mapping {
  void* address;
  size_t size;
  ~file_mapping() { munmap(address, size); }
};

payload_texts read_payload_file(const char* path) {
  payload_texts payload{};
  descriptor own(open(path, O_RDONLY | O_CLOEXEC));
  struct stat about;
  if (!own || fstat(own.value, &about) != 0 || about.st_size <= 0) return payload;
  byte_source file = descriptor_source(own.value, (uint64_t)about.st_size);
  trailer_layout layout = find_trailer(file);
  if (layout.sound && layout.json_length > 0) {
    payload.json.resize((size_t)layout.json_length);
    if (!read_exactly(file, layout.json_offset, payload.json.data(), payload.json.size())) payload.json.clear();
  }
  payload.has_json = !payload.json.empty();
  if (!layout.archive_found || layout.archive_length <= 0) return payload;
  // A running program's file cannot be opened for writing, so the mapped
  // bytes stay what they are while the program runs.
  void* address = mmap(nullptr, (size_t)about.st_size, PROT_READ, MAP_PRIVATE, own.value, 0);
  if (address == MAP_FAILED) return payload;
  auto* mapping = new (std::nothrow) file_mapping{address, (size_t)about.st_size};
  if (!mapping) {
    munmap(address, (size_t)about.st_size);
    return payload;
  }
  payload.mapping.reset(mapping);
  payload.archive = std::string_view((const char*)address + layout.archive_offset, (size_t)layout.archive_length);
  return payload;
}
