#pragma once
// The bytes of the packer's zip archives, laid out as libarchive's zip writer
// lays them out (the layout of every program packed so far): a local header
// with the file's size, its data, a data descriptor with its checksum and
// compressed size; folders without data; a central directory of the same
// records, and an end record, with zip64's records before it once there are
// more entries than its 16-bit count holds. Every entry carries the same two
// extra fields: a time stamp field without times and owner 0.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Levels 1 to 9 deflate; 0 stores.
struct zip_entry_header {
  std::string_view name;  // UTF-8, a folder's with its "/"
  bool directory;
  bool stored;
  uint64_t size;
};

std::string local_header(const zip_entry_header& entry);
std::string data_descriptor(uint32_t crc, uint64_t compressed_size, uint64_t size);
std::string central_record(const zip_entry_header& entry, uint32_t crc, uint64_t compressed_size, uint64_t offset);
// From the central directory's place and entry count; the comment is
// `comment_length` spaces.
std::string end_records(uint64_t entries, uint64_t directory_offset, uint64_t directory_size, uint16_t comment_length);
// The end records take this many bytes before their comment.
uint64_t end_records_size(uint64_t entries, uint64_t directory_offset, uint64_t directory_size);

struct compressed_file {
  uint32_t crc = 0;
  uint64_t size = 0;             // bytes read
  uint64_t compressed_size = 0;  // bytes given to the output
};

enum class read_outcome { read, unreadable, changed, stopped };

// Reads the file in pieces of a megabyte and gives its data as the archive
// holds it (deflated at level, or as it is for level 0) to `out` piece by
// piece, which answers false to stop (stopped). Changed: it did not have
// expected_size bytes. The same file gives the same bytes however `out`
// keeps them.
read_outcome compress_file(const std::filesystem::path& path, uint64_t expected_size, int level,
                           const std::function<bool(const char*, size_t)>& out, compressed_file& result);
