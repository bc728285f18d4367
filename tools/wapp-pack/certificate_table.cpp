#include "certificate_table.h"

#include <algorithm>

#include "byte_fields.h"

namespace {

constexpr uint64_t file_header_size = 24;  // "PE\0\0" and the COFF file header
constexpr uint32_t security_entry = 4;     // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr uint64_t section_header_size = 40;
constexpr uint32_t pe32 = 0x10B, pe32_plus = 0x20B;
// From "PE\0\0" to the end of the security entry in the larger, PE32+ kind:
// the launcher reads as much and wants it all inside the file.
constexpr uint64_t headers_read = file_header_size + 108 + 4 + 8 * (security_entry + 1);

}  // namespace

certificate_table find_certificate_table(const std::string& b) {
  certificate_table table{};
  if (b.size() < 64 || b.compare(0, 2, "MZ") != 0) return table;
  uint64_t pe = get32(b, 60);
  if (pe + headers_read > b.size() || get32(b, pe) != 0x4550) return table;
  uint64_t optional = pe + file_header_size, optional_size = get16(b, pe + 20);
  uint32_t magic = get16(b, optional);
  if (magic != pe32 && magic != pe32_plus) return table;
  uint64_t count_field = optional + (magic == pe32 ? 92 : 108);
  uint64_t entry = count_field + 4 + 8 * security_entry;
  // The entry must be one the header declares and holds.
  if (get32(b, count_field) <= security_entry || entry + 8 - optional > optional_size) return table;
  table.entry_at = entry;
  table.checksum_at = optional + 64;
  table.offset = get32(b, entry);
  table.size = get32(b, entry + 4);
  table.present = table.offset != 0 || table.size != 0;
  uint64_t headers_end = std::max<uint64_t>(optional + optional_size + section_header_size * get16(b, pe + 6),
                                            get32(b, optional + 60));  // SizeOfHeaders
  table.at_end = table.size != 0 && table.offset >= headers_end && table.offset + table.size == b.size();
  return table;
}

void strip_certificate_table(std::string& image) {
  certificate_table table = find_certificate_table(image);
  if (!table.present) return;
  if (table.at_end) image.resize(table.offset);
  put32(image, table.entry_at, 0);
  put32(image, table.entry_at + 4, 0);
  put32(image, table.checksum_at, 0);
}
