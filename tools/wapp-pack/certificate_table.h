#pragma once
// The certificate table that Authenticode signing tools (signtool,
// osslsigncode) append to an executable, found the way Windows and the
// launcher find it: from the security entry of the optional header's data
// directory, which holds a file offset (not an address) and a size.
#include <cstddef>
#include <cstdint>
#include <string>

// Signing tools put up to 7 zeros in front of the table to align it to 8
// bytes; a payload ending on an 8-byte boundary needs none.
constexpr uint64_t most_signing_padding = 7;
constexpr uint64_t payload_alignment = 8;

struct certificate_table {
  bool present;  // the security entry is not zero: the file says it is signed
  // The table lies past the headers and ends exactly at the end of the
  // bytes, where signing tools put it: the launcher looks for the trailer
  // right before it.
  bool at_end;
  uint64_t offset;
  uint64_t size;
  size_t entry_at;     // file offsets of the security entry
  size_t checksum_at;  // and of the image checksum, which signing tools set
};

// All zero for bytes whose PE headers cannot be read.
certificate_table find_certificate_table(const std::string& bytes);

// Makes an executable unsigned: its table goes when it is the last thing in
// the bytes, its entry and the checksum that included it become zero.
void strip_certificate_table(std::string& image);
