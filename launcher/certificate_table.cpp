#include "launcher/certificate_table.h"

#include "runtime/core/files.h"

namespace {

constexpr int32_t dos_header_size = 64;
constexpr int32_t new_header_field = 60;  // e_lfanew: where "PE\0\0" lies
constexpr int32_t file_header_size = 24;  // the signature and the COFF file header
constexpr int32_t security_entry = 4;     // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr int32_t section_header_size = 40;

struct optional_header_kind {
  uint16_t magic;
  int32_t directory_count_field;  // NumberOfRvaAndSizes, from the optional header's start
};
constexpr optional_header_kind pe32 = {0x10B, 92}, pe32_plus = {0x20B, 108};
// Up to the end of the security entry of the larger kind.
constexpr int32_t headers_read = file_header_size + pe32_plus.directory_count_field + 4 + 8 * (security_entry + 1);

uint32_t field(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; i--) value = value << 8 | bytes[i];
  return value;
}

}  // namespace

int64_t certificate_table_offset(int64_t file, int64_t size) {
  uint8_t dos[dos_header_size] = {};
  if (size < dos_header_size) return 0;
  seek_file(file, 0);
  if (read_bytes(file, dos, dos_header_size) != dos_header_size || dos[0] != 'M' || dos[1] != 'Z') return 0;
  int64_t pe = field(dos + new_header_field, 4);
  if (pe + headers_read > size) return 0;
  uint8_t headers[headers_read] = {};
  seek_file(file, pe);
  if (read_bytes(file, headers, headers_read) != headers_read || field(headers, 4) != 0x4550) return 0;
  uint32_t section_count = field(headers + 6, 2), optional_size = field(headers + 20, 2);
  const uint8_t* optional = headers + file_header_size;
  uint32_t magic = field(optional, 2);
  if (magic != pe32.magic && magic != pe32_plus.magic) return 0;
  int32_t count_field = magic == pe32.magic ? pe32.directory_count_field : pe32_plus.directory_count_field;
  const uint8_t* entry = optional + count_field + 4 + 8 * security_entry;
  // The entry must be one the header declares and holds.
  if (field(optional + count_field, 4) <= security_entry || entry + 8 - optional > optional_size) return 0;
  int64_t offset = field(entry, 4), length = field(entry + 4, 4);
  int64_t headers_end = pe + file_header_size + optional_size + (int64_t)section_header_size * section_count;
  if (headers_end < field(optional + 60, 4)) headers_end = field(optional + 60, 4);  // SizeOfHeaders
  if (length == 0 || offset < headers_end || offset + length != size) return 0;
  return offset;
}
