#include "payload/zip_index.h"

#include <algorithm>
#include <new>

#include "payload/byte_fields.h"
#include "payload/entry_names.h"

namespace {

constexpr uint32_t end_signature = 0x06054b50;
constexpr uint32_t end64_signature = 0x06064b50;
constexpr uint32_t locator64_signature = 0x07064b50;
constexpr uint32_t central_signature = 0x02014b50;
constexpr size_t end_size = 22, end64_size = 56, locator64_size = 20, central_size = 46;
constexpr size_t longest_comment = 0xFFFF;
constexpr uint16_t zip64_extra = 0x0001;
constexpr uint16_t encrypted_flag = 0x0001;


bool is_separator(char c) { return c == '/' || c == '\\'; }

struct directory_place {
  uint64_t count, size, offset;
};

// The zip64 end record a locator right before the end record points at, for
// an archive whose end record says its fields overflowed.
bool find_end64(std::string_view archive, uint64_t end, directory_place& place) {
  if (end < locator64_size) return false;
  uint64_t locator = end - locator64_size;
  if (little_endian(archive, locator, 4) != locator64_signature) return false;
  uint64_t record = little_endian(archive, locator + 8, 8);
  if (record > locator || locator - record < end64_size || little_endian(archive, record, 4) != end64_signature) return false;
  place = {little_endian(archive, record + 32, 8), little_endian(archive, record + 40, 8), little_endian(archive, record + 48, 8)};
  return true;
}

// The last end record whose comment ends inside the archive, searched where
// the format allows it: within the longest comment of the archive's end.
bool find_directory(std::string_view archive, directory_place& place) {
  if (archive.size() < end_size) return false;
  uint64_t lowest = archive.size() - end_size > longest_comment ? archive.size() - end_size - longest_comment : 0;
  for (uint64_t at = archive.size() - end_size + 1; at-- > lowest;) {
    if (little_endian(archive, at, 4) != end_signature || at + end_size + little_endian(archive, at + 20, 2) > archive.size())
      continue;
    place = {little_endian(archive, at + 10, 2), little_endian(archive, at + 12, 4), little_endian(archive, at + 16, 4)};
    bool overflowed = zip64_end_needed(place.count, place.size, place.offset);
    if (overflowed && !find_end64(archive, at, place)) return false;
    // The directory lies before its end record, whole.
    uint64_t before = overflowed ? at - locator64_size : at;
    return place.offset <= before && place.size <= before - place.offset;
  }
  return false;
}

// Sizes and offset past 32 bits are in the record's zip64 field, in this
// order and only where the 32-bit field is all ones. False when one is
// missing.
bool read_zip64_fields(std::string_view extra, zip_entry& entry) {
  uint64_t* wanted[] = {&entry.size, &entry.compressed_size, &entry.header_offset};
  for (size_t at = 0; at + 4 <= extra.size();) {
    uint64_t id = little_endian(extra, at, 2), length = little_endian(extra, at + 2, 2);
    if (at + 4 + length > extra.size()) break;
    if (id == zip64_extra) {
      uint64_t from = at + 4, end = from + length;
      for (uint64_t* value : wanted) {
        if (*value != 0xFFFFFFFF) continue;
        if (from + 8 > end) return false;
        *value = little_endian(extra, from, 8);
        from += 8;
      }
      return true;
    }
    at += 4 + length;
  }
  for (uint64_t* value : wanted)
    if (*value == 0xFFFFFFFF) return false;
  return true;
}

}  // namespace

std::string zip_entry_key(std::string_view name) {
  std::string key;
  for (size_t from = 0; from <= name.size();) {
    size_t to = from;
    while (to < name.size() && !is_separator(name[to])) to++;
    std::string_view part = name.substr(from, to - from);
    if (!part.empty() && part != ".") {
      if (!key.empty()) key += '/';
      key += part;
    }
    from = to + 1;
  }
  return key;
}

std::string zip_index::key_of(std::string_view name) const {
  std::string key = zip_entry_key(name);
  if (any_case_)
    for (char& c : key) c = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
  return key;
}

bool zip_index::open(std::string_view archive, bool any_case) {
  *this = {};
  directory_place place;
  if (!find_directory(archive, place)) return false;
  archive_ = archive;
  any_case_ = any_case;
  try {
    // No more records than the directory's bytes can hold, whatever its count says.
    entries_.reserve((size_t)std::min<uint64_t>(place.count, place.size / central_size));
    uint64_t at = place.offset, end = place.offset + place.size;
    for (uint64_t i = 0; i < place.count; i++) {
      if (end - at < central_size || little_endian(archive, at, 4) != central_signature) break;
      uint64_t name_length = little_endian(archive, at + 28, 2), extra_length = little_endian(archive, at + 30, 2);
      uint64_t record = central_size + name_length + extra_length + little_endian(archive, at + 32, 2);
      if (record > end - at) break;
      zip_entry entry{};
      entry.name = archive.substr(at + central_size, name_length);
      entry.directory = !entry.name.empty() && is_separator(entry.name.back());
      entry.method = (uint16_t)little_endian(archive, at + 10, 2);
      entry.crc = (uint32_t)little_endian(archive, at + 16, 4);
      entry.compressed_size = little_endian(archive, at + 20, 4);
      entry.size = little_endian(archive, at + 24, 4);
      entry.header_offset = little_endian(archive, at + 42, 4);
      bool sized = read_zip64_fields(archive.substr(at + central_size + name_length, extra_length), entry);
      bool method_known = entry.method == (uint16_t)zip_method::stored || entry.method == (uint16_t)zip_method::deflated;
      entry.readable = sized && method_known && !(little_endian(archive, at + 8, 2) & encrypted_flag) &&
                       (entry.method != (uint16_t)zip_method::stored || entry.compressed_size == entry.size);
      entries_.push_back(entry);
      at += record;
      // Only what the unpacking would make is found, and only UTF-8 names,
      // the only ones the packer writes and an address can spell.
      if (entry.directory || !entry.readable || !is_utf8(entry.name) ||
          judge_entry_name(entry.name) != entry_name_verdict::unpacked)
        continue;
      files_[key_of(entry.name)] = (uint32_t)(entries_.size() - 1);
    }
    complete_ = entries_.size() == place.count;
  } catch (const std::bad_alloc&) {
    *this = {};
    return false;
  }
  return true;
}

const zip_entry* zip_index::find(std::string_view name) const {
  try {
    auto found = files_.find(key_of(name));
    return found == files_.end() ? nullptr : &entries_[found->second];
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
