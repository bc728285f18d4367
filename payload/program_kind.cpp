#include "payload/program_kind.h"

#include <cstring>

#include "payload/virtual_host.h"

namespace {

constexpr size_t elf_type_field = 16;  // e_type, in the file's byte order
constexpr size_t elf_header_read = 18;
constexpr uint8_t elf_little_endian = 1;
constexpr uint32_t elf_executable = 2, elf_shared_object = 3;  // ET_EXEC, ET_DYN: what the system runs

}  // namespace

program_kind program_kind_of(const byte_source& source) {
  uint8_t h[elf_header_read];
  if (read_exactly(source, 0, h, 2) && h[0] == 'M' && h[1] == 'Z') return program_kind::windows;
  if (!read_exactly(source, 0, h, elf_header_read) || std::memcmp(h, "\x7F" "ELF", 4) != 0) return program_kind::unknown;
  const uint8_t* type = h + elf_type_field;
  uint32_t value = h[5] == elf_little_endian ? little_endian(type, 2) : (uint32_t)type[0] << 8 | type[1];
  return value == elf_executable || value == elf_shared_object ? program_kind::linux_elf : program_kind::unknown;
}

const char* program_kind_name(program_kind kind) {
  switch (kind) {
    case program_kind::windows: return "a Windows executable";
    case program_kind::linux_elf: return "a Linux program";
    case program_kind::unknown: break;
  }
  return "neither a Windows executable nor a Linux program";
}

const char* served_scheme(program_kind kind) {
  return kind == program_kind::linux_elf ? linux_served_scheme : windows_served_scheme;
}
