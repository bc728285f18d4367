#include "zip_records.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

#include "payload/zip_index.h"
#include "text_paths.h"

namespace {

constexpr size_t read_piece = 1 << 20;
constexpr uint16_t version_stored = 10, version_deflated = 20, version_zip64 = 45;
constexpr uint16_t made_on_unix = 3 << 8;
constexpr uint16_t descriptor_flag = 0x0008, utf8_flag = 0x0800;
constexpr uint16_t dos_date_1980 = 0x21;  // 1980-01-01, time 00:00
constexpr uint32_t file_mode = 0100644, folder_mode = 040755;
// "UT" with no time in it, and "ux": version 1, uid and gid of 4 bytes, both 0.
constexpr char extra_fields[] = "UT\1\0\0ux\13\0\1\4\0\0\0\0\4\0\0\0\0";
constexpr uint16_t extra_length = sizeof extra_fields - 1;

void put(std::string& bytes, uint64_t value, int count) {
  for (int i = 0; i < count; i++) bytes += (char)(value >> (8 * i));
}

bool is_ascii(std::string_view text) {
  for (char c : text)
    if ((uint8_t)c >= 0x80) return false;
  return true;
}

uint16_t version_of(const zip_entry_header& entry) {
  return entry.stored && !entry.directory ? version_stored : version_deflated;
}

uint16_t flags_of(const zip_entry_header& entry) {
  return (entry.directory ? 0 : descriptor_flag) | (is_ascii(entry.name) ? 0 : utf8_flag);
}

uint16_t method_of(const zip_entry_header& entry) { return entry.stored || entry.directory ? 0 : Z_DEFLATED; }

// The fields a local header and a central record share, from the version
// needed to the extra field's length.
void put_common(std::string& bytes, const zip_entry_header& entry, uint32_t crc, uint64_t compressed, uint64_t size) {
  put(bytes, version_of(entry), 2);
  put(bytes, flags_of(entry), 2);
  put(bytes, method_of(entry), 2);
  put(bytes, 0, 2);
  put(bytes, dos_date_1980, 2);
  put(bytes, crc, 4);
  put(bytes, compressed, 4);
  put(bytes, size, 4);
  put(bytes, entry.name.size(), 2);
  put(bytes, extra_length, 2);
}

struct file_closer {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct deflater {
  z_stream stream{};
  bool ready = false;
  explicit deflater(int level) {
    ready = deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~deflater() {
    if (ready) deflateEnd(&stream);
  }
};

}  // namespace

std::string local_header(const zip_entry_header& entry) {
  std::string bytes = "PK\3\4";
  // The size is known before the data; the checksum and, when deflated, the
  // compressed size follow it in the data descriptor.
  uint64_t size = entry.directory ? 0 : entry.size;
  put_common(bytes, entry, 0, entry.stored ? size : 0, size);
  bytes += entry.name;
  return bytes.append(extra_fields, extra_length);
}

std::string data_descriptor(uint32_t crc, uint64_t compressed_size, uint64_t size) {
  std::string bytes = "PK\7\10";
  put(bytes, crc, 4);
  put(bytes, compressed_size, 4);
  put(bytes, size, 4);
  return bytes;
}

std::string central_record(const zip_entry_header& entry, uint32_t crc, uint64_t compressed_size, uint64_t offset) {
  std::string bytes = "PK\1\2";
  put(bytes, made_on_unix | version_of(entry), 2);
  put_common(bytes, entry, crc, compressed_size, entry.directory ? 0 : entry.size);
  put(bytes, 0, 2);  // comment
  put(bytes, 0, 2);  // disk
  put(bytes, 0, 2);  // internal attributes
  put(bytes, (uint64_t)(entry.directory ? folder_mode : file_mode) << 16, 4);
  put(bytes, offset, 4);
  bytes += entry.name;
  return bytes.append(extra_fields, extra_length);
}

uint64_t end_records_size(uint64_t entries, uint64_t directory_offset, uint64_t directory_size) {
  return (zip64_end_needed(entries, directory_size, directory_offset) ? 56 + 20 : 0) + 22;
}

std::string end_records(uint64_t entries, uint64_t directory_offset, uint64_t directory_size, uint16_t comment_length) {
  std::string bytes;
  const bool zip64 = zip64_end_needed(entries, directory_size, directory_offset);
  if (zip64) {
    uint64_t record = directory_offset + directory_size;
    bytes += "PK\6\6";
    put(bytes, 44, 8);  // the record's size after this field
    put(bytes, version_zip64, 2);
    put(bytes, version_zip64, 2);
    put(bytes, 0, 4);
    put(bytes, 0, 4);
    put(bytes, entries, 8);
    put(bytes, entries, 8);
    put(bytes, directory_size, 8);
    put(bytes, directory_offset, 8);
    bytes += "PK\6\7";
    put(bytes, 0, 4);
    put(bytes, record, 8);
    put(bytes, 1, 4);
  }
  // The classic record's fields at their largest where the zip64 record holds them.
  auto classic = [&](uint64_t value, uint64_t largest) { return zip64 ? std::min(value, largest) : value; };
  uint64_t count = classic(entries, 0xFFFF);
  bytes += "PK\5\6";
  put(bytes, 0, 2);
  put(bytes, 0, 2);
  put(bytes, count, 2);
  put(bytes, count, 2);
  put(bytes, classic(directory_size, 0xFFFFFFFF), 4);
  put(bytes, classic(directory_offset, 0xFFFFFFFF), 4);
  put(bytes, comment_length, 2);
  return bytes.append(comment_length, ' ');
}

read_outcome compress_file(const std::filesystem::path& path, uint64_t expected_size, int level,
                           const std::function<bool(const char*, size_t)>& out, compressed_file& result) {
  result = {};
  std::unique_ptr<std::FILE, file_closer> file(open_file(path, "rb"));
  if (!file) return read_outcome::unreadable;
  std::unique_ptr<deflater> zip = level > 0 ? std::make_unique<deflater>(level) : nullptr;
  if (zip && !zip->ready) return read_outcome::unreadable;
  // A small file needs no megabyte of buffers, and a folder has thousands.
  const size_t input_size = (size_t)std::min<uint64_t>(expected_size + 1, read_piece);
  const size_t output_size = zip ? (size_t)std::min<uint64_t>(deflateBound(&zip->stream, input_size), read_piece) : 0;
  std::unique_ptr<char[]> input(new char[input_size]), output(new char[output_size ? output_size : 1]);
  // Deflated as libarchive deflates: each piece as it is read, then the end.
  auto deflate_piece = [&](size_t count, int flush) {
    zip->stream.next_in = (Bytef*)input.get();
    zip->stream.avail_in = (uInt)count;
    int status;
    do {
      zip->stream.next_out = (Bytef*)output.get();
      zip->stream.avail_out = (uInt)output_size;
      status = deflate(&zip->stream, flush);
      if (status == Z_STREAM_ERROR) return false;
      size_t made = output_size - zip->stream.avail_out;
      if (made && !out(output.get(), made)) return false;
      result.compressed_size += made;
    } while (zip->stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    return true;
  };
  size_t count;
  while ((count = std::fread(input.get(), 1, input_size, file.get())) > 0) {
    result.size += count;
    if (result.size > expected_size) return read_outcome::changed;
    result.crc = (uint32_t)crc32(result.crc, (const Bytef*)input.get(), (uInt)count);
    if (zip ? !deflate_piece(count, Z_NO_FLUSH) : !out(input.get(), count)) return read_outcome::stopped;
    if (!zip) result.compressed_size += count;
  }
  if (std::ferror(file.get())) return read_outcome::unreadable;
  if (result.size != expected_size) return read_outcome::changed;
  if (zip && !deflate_piece(0, Z_FINISH)) return read_outcome::stopped;
  return read_outcome::read;
}
