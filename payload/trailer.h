#pragma once
// The payload trailer at the end of a packed launcher:
// [JSON text][J][zip archive][Z]["WAPP"], J and Z little-endian signed 32-bit
// lengths. A length of 0 or less means its part is absent and takes no room.
// In a signed executable that does not end with the magic, the trailer ends
// right before the certificate table, past the zeros (at most 7) a signing
// tool may put in front of the table, inside the range the signature covers.
#include <cstdint>
#include <string>
#include <string_view>

#include "payload/byte_source.h"

constexpr char payload_magic[] = "WAPP";
constexpr uint64_t payload_field_size = 4;
constexpr int64_t payload_part_limit = 0x7FFFFFFF;
// Signing tools align the certificate table to 8 bytes with zeros in front;
// a payload that ends on an 8-byte boundary needs none.
constexpr uint64_t most_signing_padding = 7;
constexpr uint64_t payload_alignment = 8;

// Where the trailer and its parts lie, walked back from its end as the
// launcher walks it. A length field, or a length, that reaches before the
// start of the source is not believed: that part and the one before it are
// not found.
struct trailer_layout {
  bool present;        // the magic ends the source, or stands before its certificate table
  bool archive_found;  // the archive's length field, and its bytes, lie in the source
  bool sound;          // and so do the JSON text's: the whole trailer
  uint64_t start;      // where the trailer begins when sound; else the source's size
  uint64_t end;        // where the trailer ends (the magic's end); 0: none
  int32_t json_length;     // as written, when sound; else 0
  uint64_t json_offset;    // where the JSON text begins
  int32_t archive_length;  // as written, when found; else 0
  uint64_t archive_offset;
};

trailer_layout find_trailer(const byte_source& source);

// A length field as the trailer holds it.
std::string length_field(int64_t length);
// The spaces that make length a multiple of payload_alignment.
uint64_t alignment_padding(uint64_t length);
// The spaces that end JSON text of json_size bytes and its length field on
// the alignment, after an executable of executable_size bytes. JSON allows
// white space after the value, so the settings read the same.
uint64_t json_padding(uint64_t executable_size, uint64_t json_size);
// What follows the archive: its length and the magic.
std::string trailer_tail(int64_t archive_length);
// The whole trailer of a JSON text and an archive, which are taken as they
// are: a length of 0 for an empty one.
std::string trailer_bytes(std::string_view json, std::string_view archive);
