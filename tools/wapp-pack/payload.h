#pragma once
// The payload trailer at the end of a packed executable:
// [JSON text][J][zip archive][Z]["WAPP"], J and Z little-endian signed
// 32-bit lengths; a length of 0 or less stands for an absent part. In a
// signed executable it ends right before the certificate table, past the
// zeros (at most 7) a signing tool may put in front of the table.
#include <cstdint>
#include <cstdio>
#include <string>

constexpr int64_t payload_part_limit = 0x7FFFFFFF;

struct trailer_layout {
  bool present;  // the bytes end with "WAPP", or it stands before the certificate table
  bool sound;    // and both lengths fit in front of it
  uint64_t start;  // where the trailer begins; the size without one
  uint64_t end;    // where it ends: the size, or before the certificate table; 0: none
  int32_t json_length;
  uint64_t json_offset;
  int32_t archive_length;
  uint64_t archive_offset;
};

trailer_layout find_trailer(const std::string& bytes);

std::string length_field(int64_t length);
