#pragma once
// The app folder as a zip archive streamed into an open file. Every entry is
// written the same way on every platform: names as flagged UTF-8, no time
// stamps (so the DOS date is the format's earliest, 1980-01-01 00:00, in
// every time zone), owner 0, permissions 0644 for files and 0755 for folders.
// The same folder therefore gives the same bytes on Windows and on Linux.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "app_folder.h"

struct zip_counts {
  uint64_t files;
  uint64_t bytes_in;
  uint64_t bytes_out;
};

enum class zip_outcome { written, refused, failed };

// The archive's length is made a multiple of alignment by a comment of
// spaces in its end record, which every zip reader takes as it is.
// Refused: a file could not be read or changed while packing, or the archive
// grew past limit bytes. Failed: the output could not be written.
zip_outcome write_app_zip(std::FILE* out, const app_folder& folder, int level, int64_t limit, uint64_t alignment,
                          const std::function<void(const zip_counts&)>& progress, zip_counts& counts,
                          std::string& problem);

struct archive_entry;
// The name of an entry read by libarchive, as UTF-8.
std::string zip_entry_name(archive_entry* entry);

// On Linux names reach libarchive as UTF-8 and it converts them through the
// C library's locale, which must therefore be a UTF-8 one.
void use_utf8_names();
