#pragma once
// The headers of a Windows executable (PE), read from any byte source with
// every field bounded by the source: where the optional header, its data
// directory and the section table lie, and the certificate table that
// Authenticode signing tools (signtool, osslsigncode) append, found the way
// Windows finds it.
#include <cstdint>

#include "payload/byte_source.h"

constexpr uint32_t pe_directory_resources = 2;  // IMAGE_DIRECTORY_ENTRY_RESOURCE
constexpr uint32_t pe_directory_security = 4;   // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr uint32_t pe_directory_base_relocations = 5;  // IMAGE_DIRECTORY_ENTRY_BASERELOC
constexpr uint32_t pe_section_header_size = 40;

struct pe_headers {
  uint64_t pe_at;        // "PE\0\0", then the COFF file header
  uint64_t optional_at;  // the optional header
  uint32_t optional_size;
  bool plus;  // PE32+ (64-bit); else PE32
  uint32_t section_count;
  uint64_t section_table_at;  // right after the optional header
  uint32_t section_alignment;
  uint32_t file_alignment;
  uint32_t size_of_headers;
  uint32_t directory_count;  // NumberOfRvaAndSizes as written, not bounded
  uint64_t directories_at;
  uint64_t checksum_at;
};

// False when the source does not start with "MZ", its "PE\0\0" is missing,
// or less than the fixed fields of a PE32+ optional header up to the
// security entry follow it (every real executable has more), or the
// optional header is of no known kind.
bool read_pe_headers(const byte_source& source, pe_headers& headers);

// Where the headers end: past the section table, or SizeOfHeaders if later.
uint64_t pe_headers_end(const pe_headers& headers);

struct pe_directory {
  uint64_t entry_at;  // file offset of the entry; 0 when the header does not hold it
  uint32_t address;   // an RVA, or for the security entry a file offset
  uint32_t size;
};

// The data directory entry, when the header declares it and holds it whole.
pe_directory read_pe_directory(const byte_source& source, const pe_headers& headers, uint32_t index);

struct pe_section {
  uint64_t header_at;
  uint32_t virtual_size, virtual_address, raw_size, raw_pointer;
};

// False when the section's header lies outside the source.
bool read_pe_section(const byte_source& source, const pe_headers& headers, uint32_t index, pe_section& section);

struct certificate_table {
  bool present;  // the security entry is not zero: the file says it is signed
  // The table lies past the headers and ends exactly at the end of the
  // source, where signing tools put it: the payload trailer may stand right
  // before it.
  bool at_end;
  uint64_t offset;
  uint64_t size;
  uint64_t entry_at;     // file offsets of the security entry
  uint64_t checksum_at;  // and of the image checksum, which signing tools set
};

// All zero for a source whose PE headers cannot be read or whose header does
// not declare and hold the security entry.
certificate_table find_certificate_table(const byte_source& source);
