#pragma once
// One entry's data from the archive in place: a stored entry's bytes as they
// lie, a deflated one's inflated with zlib as they are asked for, in pieces,
// so that an entry of any size is read with a few kilobytes of memory. The
// entry's local header is checked first (its signature, and that it and the
// data lie inside the archive), and its size and checksum at its end: the
// bytes that would complete a damaged entry are never given, so a reader
// never sees the whole of it as sound.
#include <cstdint>
#include <string>
#include <string_view>

#include "payload/zip_index.h"

// Entries up to this size are read whole and checked before a launcher
// answers for them, so that a damaged one is answered as missing; larger
// ones are streamed, and a damaged one fails at its end.
constexpr uint64_t largest_checked_entry = 8u << 20;

class zip_entry_reader {
 public:
  // The entry must be one of the index of these bytes, which must outlive
  // the reader.
  zip_entry_reader(std::string_view archive, const zip_entry& entry);
  ~zip_entry_reader();
  zip_entry_reader(const zip_entry_reader&) = delete;
  zip_entry_reader& operator=(const zip_entry_reader&) = delete;

  // Copies the next bytes, up to count, into buffer: how many it copied; 0
  // at the end, and for good once the entry turned out damaged.
  size_t read(void* buffer, size_t count);
  bool damaged() const { return state_ == state::damaged; }
  // Every byte given, and the size and checksum held.
  bool finished() const { return state_ == state::finished; }
  uint64_t size() const { return size_; }

 private:
  enum class state { reading, finished, damaged };
  size_t inflate_into(char* buffer, size_t count);
  bool finish();

  state state_ = state::damaged;
  std::string_view data_;  // the stored or compressed bytes
  bool deflated_ = false;
  uint64_t size_ = 0, given_ = 0, taken_ = 0;  // taken_: compressed bytes handed to zlib
  uint32_t expected_crc_ = 0, crc_ = 0;
  bool stream_ended_ = false;
  void* stream_ = nullptr;  // zlib's z_stream, when deflated
};

// The entry's whole data, checked, at `bytes`: a stored entry's in place, a
// deflated one's inflated into `inflated`. False when it is damaged.
bool read_checked_entry(std::string_view archive, const zip_entry& entry, std::string& inflated,
                        std::string_view& bytes);
