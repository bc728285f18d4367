#pragma once
// The app folder as a zip archive streamed into an open file. Every entry is
// written the same way on every platform: names as flagged UTF-8, no time
// stamps (so the DOS date is the format's earliest, 1980-01-01 00:00, in
// every time zone), owner 0, permissions 0644 for files and 0755 for folders.
// The same folder therefore gives the same bytes on Windows and on Linux.
//
// Files are compressed on several threads at once, each into memory, and
// written in the folder's order as they are ready; a file too large to hold
// is compressed as it is written. The bytes are the same for any number of
// threads.
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

// The number of threads the machine runs at once: the packer's default.
int machine_threads();

// The archive's length is made a multiple of alignment by a comment of
// spaces in its end record, which every zip reader takes as it is.
// Refused: a file could not be read, changed while packing, or has 4 GiB or
// more, or the archive grew past limit bytes. Failed: the output could not
// be written, or memory ran out.
zip_outcome write_app_zip(std::FILE* out, const app_folder& folder, int level, int threads, int64_t limit,
                          uint64_t alignment, const std::function<void(const zip_counts&)>& progress,
                          zip_counts& counts, std::string& problem);
