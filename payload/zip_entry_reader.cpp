#include "payload/zip_entry_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "payload/byte_fields.h"

namespace {

constexpr uint32_t local_signature = 0x04034b50;
constexpr uint64_t local_size = 30;
// zlib counts in 32 bits: input and output go to it in pieces no larger.
constexpr uint64_t zlib_piece = 1u << 30;


// The entry's data after its local header, when both lie inside the archive.
bool find_data(std::string_view archive, const zip_entry& entry, std::string_view& data) {
  uint64_t at = entry.header_offset;
  if (at > archive.size() || archive.size() - at < local_size || little_endian(archive, at, 4) != local_signature)
    return false;
  uint64_t start = at + local_size + little_endian(archive, at + 26, 2) + little_endian(archive, at + 28, 2);
  if (start > archive.size() || archive.size() - start < entry.compressed_size) return false;
  data = archive.substr(start, entry.compressed_size);
  return true;
}

}  // namespace

zip_entry_reader::zip_entry_reader(std::string_view archive, const zip_entry& entry)
    : size_(entry.size), expected_crc_(entry.crc) {
  if (!entry.readable || entry.directory || !find_data(archive, entry, data_)) return;
  deflated_ = entry.method == (uint16_t)zip_method::deflated;
  if (deflated_) {
    auto* stream = new (std::nothrow) z_stream{};
    if (!stream) return;
    if (inflateInit2(stream, -MAX_WBITS) != Z_OK) {
      delete stream;
      return;
    }
    stream_ = stream;
  }
  state_ = state::reading;
}

zip_entry_reader::~zip_entry_reader() {
  if (!stream_) return;
  inflateEnd((z_stream*)stream_);
  delete (z_stream*)stream_;
}

size_t zip_entry_reader::inflate_into(char* buffer, size_t count) {
  auto* stream = (z_stream*)stream_;
  size_t got = 0;
  while (got < count && !stream_ended_) {
    if (stream->avail_in == 0 && taken_ < data_.size()) {
      uint64_t piece = std::min<uint64_t>(data_.size() - taken_, zlib_piece);
      stream->next_in = (Bytef*)data_.data() + taken_;
      stream->avail_in = (uInt)piece;
      taken_ += piece;
    }
    stream->next_out = (Bytef*)buffer + got;
    stream->avail_out = (uInt)(count - got);
    int result = inflate(stream, Z_NO_FLUSH);
    size_t made = count - got - stream->avail_out;
    got += made;
    if (result == Z_STREAM_END) stream_ended_ = true;
    // Z_BUF_ERROR: no progress possible, the compressed bytes are spent.
    if (result != Z_OK && result != Z_STREAM_END) {
      state_ = state::damaged;
      return 0;
    }
  }
  return got;
}

// At the stated size: the deflate stream must end right there, and the
// checksum hold.
bool zip_entry_reader::finish() {
  if (deflated_ && !stream_ended_) {
    char more;
    if (inflate_into(&more, 1) != 0 || !stream_ended_) state_ = state::damaged;
  }
  if (state_ != state::damaged && crc_ == expected_crc_) {
    state_ = state::finished;
    return true;
  }
  state_ = state::damaged;
  return false;
}

size_t zip_entry_reader::read(void* buffer, size_t count) {
  if (state_ != state::reading) return 0;
  size_t want = (size_t)std::min<uint64_t>({count, size_ - given_, zlib_piece});
  if (want == 0) {
    if (given_ == size_) finish();
    return 0;
  }
  size_t got = 0;
  if (deflated_) {
    got = inflate_into((char*)buffer, want);
    if (state_ == state::damaged) return 0;
    if (got < want) {  // the stream ended short of the stated size
      state_ = state::damaged;
      return 0;
    }
  } else {
    std::memcpy(buffer, data_.data() + given_, want);
    got = want;
  }
  crc_ = (uint32_t)crc32(crc_, (const Bytef*)buffer, (uInt)got);
  given_ += got;
  if (given_ == size_ && !finish()) return 0;
  return got;
}

bool read_checked_entry(std::string_view archive, const zip_entry& entry, std::string& inflated,
                        std::string_view& bytes) {
  zip_entry_reader reader(archive, entry);
  if (reader.damaged()) return false;
  if (entry.method == (uint16_t)zip_method::stored) {
    std::string_view data;
    if (!find_data(archive, entry, data) ||
        (uint32_t)crc32_z(0, (const Bytef*)data.data(), data.size()) != entry.crc)
      return false;
    bytes = data;
    return true;
  }
  try {
    inflated.resize((size_t)entry.size);
  } catch (const std::exception&) {
    return false;
  }
  size_t at = 0;
  while (size_t got = reader.read(inflated.data() + at, inflated.size() - at)) at += got;
  if (!reader.finished()) return false;
  bytes = inflated;
  return true;
}
