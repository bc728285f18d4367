#pragma once
// The payload trailer appended to the launcher executable, read from the end
// of the file: [JSON text][J][zip archive][Z]["WAPP"], integers little-endian
// signed 32-bit. A length of 0 or less means its part is absent. In a signed
// executable the trailer ends right before the certificate table (and the
// at most 7 zeros that align it), inside the range the signature covers.
#include <cstdint>

//
// The file is mapped, not read: its parts are read-only views into it, and
// an archive of hundreds of megabytes costs nothing before the window and
// only what the app loads of it afterwards.
struct payload_record {
  int32_t json_length;
  const void* json_block;     // json_length bytes, or none
  int32_t archive_length;
  const void* archive_block;  // archive_length bytes, or none
  const void* view;           // the mapped file, or none
};

// The trailer of the running executable; all zero when there is none.
payload_record read_payload_trailer();
// The trailer at the end of the file at path, or before its certificate table.
payload_record read_payload_trailer_of(const wchar_t* path);
// Unmaps the file once nothing reads its parts any more; the record is
// then all zero.
void release_payload_trailer(payload_record& payload);
