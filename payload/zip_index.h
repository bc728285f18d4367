#pragma once
// The payload's zip archive read in place: its central directory, read once
// from the bytes the program already holds, gives every entry's name, sizes,
// checksum and where its data lies, so that a launcher can answer a request
// for one file without unpacking any other, and --inspect can list them.
//
// Nothing is believed that the bytes do not hold: every offset and length is
// checked against the archive before it is used, and the entry's own local
// header against it again when its data is read (zip_entry_reader.h).
//
// Names are judged by the launchers' unpacking rule (entry_names.h): an entry
// the launcher would skip is listed but never found, so it is never served.
// They are found by their key: the parts of the name, "/" and "\" both
// separating them, empty and "." parts dropped, joined with "/", which names
// the file unpacking would make. Where two entries make one file, the later
// one is found, as unpacking leaves the later one on disk.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class zip_method : uint16_t { stored = 0, deflated = 8 };

// Whether an archive's end needs the zip64 records: the classic end record
// holds a count below 0xFFFF and a size and an offset below 0xFFFFFFFF, its
// largest values meaning "read the zip64 record". The packer writes by this
// rule and the index reads by it.
constexpr bool zip64_end_needed(uint64_t entries, uint64_t directory_size, uint64_t directory_offset) {
  return entries >= 0xFFFF || directory_size >= 0xFFFFFFFF || directory_offset >= 0xFFFFFFFF;
}

struct zip_entry {
  std::string_view name;  // as stored, in the archive's bytes
  bool directory;         // a name ending in "/" or "\"
  bool readable;          // stored or deflated, not encrypted
  uint16_t method;
  uint32_t crc;
  uint64_t compressed_size;
  uint64_t size;
  uint64_t header_offset;  // of its local header
};

class zip_index {
 public:
  // Letters of the keys compare without regard to ASCII case when any_case
  // is set, as file names do on Windows. False, and an empty index, when the
  // bytes hold no central directory that lies whole inside them. The bytes
  // must outlive the index.
  bool open(std::string_view archive, bool any_case);
  std::string_view archive() const { return archive_; }
  // Every record of the central directory, in its order.
  const std::vector<zip_entry>& entries() const { return entries_; }
  // The directory held as many records as its end record counts.
  bool complete() const { return complete_; }
  // The file a name keys (see above), or null: no such file, a directory,
  // a name the unpacking rule skips, or data that cannot be read.
  const zip_entry* find(std::string_view name) const;

 private:
  std::string key_of(std::string_view name) const;
  std::string_view archive_;
  bool any_case_ = false;
  bool complete_ = false;
  std::vector<zip_entry> entries_;
  std::unordered_map<std::string, uint32_t> files_;  // key: position in entries_
};

// The key of a name: "./js//app.js" and "js\app.js" are "js/app.js".
std::string zip_entry_key(std::string_view name);
