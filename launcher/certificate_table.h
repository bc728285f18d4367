#pragma once
// The certificate table that Authenticode signing tools (signtool,
// osslsigncode) append to an executable, found the way Windows finds it: from
// the security entry of the optional header's data directory, which holds a
// file offset (not an address) and a size.
#include <cstdint>

// The file offset of the certificate table of the open file of size bytes,
// or 0 when the file carries none that the trailer can stand before: no
// readable PE headers, an empty security entry, or a table that overlaps the
// headers, reaches outside the file or does not end exactly at its end.
int64_t certificate_table_offset(int64_t file, int64_t size);
