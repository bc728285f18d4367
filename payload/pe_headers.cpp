#include "payload/pe_headers.h"

namespace {

constexpr uint32_t dos_header_size = 64;
constexpr uint32_t new_header_field = 60;  // e_lfanew: where "PE\0\0" lies
constexpr uint32_t file_header_size = 24;  // the signature and the COFF file header
constexpr uint16_t pe32_magic = 0x10B, pe32_plus_magic = 0x20B;
// NumberOfRvaAndSizes, from the optional header's start.
constexpr uint32_t pe32_count_field = 92, pe32_plus_count_field = 108;
// Up to the end of the security entry of the larger kind: what every reader
// wants inside the source before it believes the headers.
constexpr uint32_t headers_read = file_header_size + pe32_plus_count_field + 4 + 8 * (pe_directory_security + 1);

}  // namespace

bool read_pe_headers(const byte_source& source, pe_headers& headers) {
  headers = {};
  uint8_t dos[dos_header_size];
  if (!read_exactly(source, 0, dos, dos_header_size) || dos[0] != 'M' || dos[1] != 'Z') return false;
  uint64_t pe = little_endian(dos + new_header_field, 4);
  uint8_t b[headers_read];
  if (!read_exactly(source, pe, b, headers_read) || little_endian(b, 4) != 0x4550) return false;
  const uint8_t* optional = b + file_header_size;
  uint32_t magic = little_endian(optional, 2);
  if (magic != pe32_magic && magic != pe32_plus_magic) return false;
  headers.pe_at = pe;
  headers.optional_at = pe + file_header_size;
  headers.section_count = little_endian(b + 6, 2);
  headers.optional_size = little_endian(b + 20, 2);
  headers.plus = magic == pe32_plus_magic;
  headers.section_table_at = headers.optional_at + headers.optional_size;
  headers.section_alignment = little_endian(optional + 32, 4);
  headers.file_alignment = little_endian(optional + 36, 4);
  headers.size_of_headers = little_endian(optional + 60, 4);
  headers.checksum_at = headers.optional_at + 64;
  uint32_t count_field = headers.plus ? pe32_plus_count_field : pe32_count_field;
  headers.directory_count = little_endian(optional + count_field, 4);
  headers.directories_at = headers.optional_at + count_field + 4;
  return true;
}

uint64_t pe_headers_end(const pe_headers& headers) {
  uint64_t end = headers.section_table_at + (uint64_t)pe_section_header_size * headers.section_count;
  return end > headers.size_of_headers ? end : headers.size_of_headers;
}

pe_directory read_pe_directory(const byte_source& source, const pe_headers& headers, uint32_t index) {
  uint64_t entry = headers.directories_at + 8ull * index;
  // The entry must be one the header declares and holds.
  if (headers.directory_count <= index || entry + 8 > headers.section_table_at) return {};
  uint8_t field[8];
  if (!read_exactly(source, entry, field, 8)) return {};
  return {entry, little_endian(field, 4), little_endian(field + 4, 4)};
}

bool read_pe_section(const byte_source& source, const pe_headers& headers, uint32_t index, pe_section& section) {
  uint64_t at = headers.section_table_at + (uint64_t)pe_section_header_size * index;
  uint8_t h[pe_section_header_size];
  if (index >= headers.section_count || !read_exactly(source, at, h, pe_section_header_size)) return false;
  section = {at, little_endian(h + 8, 4), little_endian(h + 12, 4), little_endian(h + 16, 4), little_endian(h + 20, 4)};
  return true;
}

certificate_table find_certificate_table(const byte_source& source) {
  certificate_table table{};
  pe_headers headers;
  if (!read_pe_headers(source, headers)) return table;
  pe_directory entry = read_pe_directory(source, headers, pe_directory_security);
  if (!entry.entry_at) return table;
  table.entry_at = entry.entry_at;
  table.checksum_at = headers.checksum_at;
  table.offset = entry.address;
  table.size = entry.size;
  table.present = table.offset != 0 || table.size != 0;
  table.at_end = table.size != 0 && table.offset >= pe_headers_end(headers) && table.offset + table.size == source.size;
  return table;
}
