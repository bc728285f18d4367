#pragma once
// Zip archives made byte by byte, so that a test can damage any field of
// them: where each entry's local header and central record lie is kept.
// Builds on Windows and on Linux.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

struct zip_bytes_entry {
  std::string name;
  std::string data;
  bool deflate = true;
};

struct zip_bytes {
  std::string bytes;
  std::vector<size_t> local, central;  // each entry's header and record
  size_t end = 0;                      // the end record
};

inline void put_le(std::string& bytes, size_t at, uint64_t value, int count) {
  for (int i = 0; i < count; i++) bytes[at + i] = (char)(value >> (8 * i));
}

inline std::string deflated(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = (Bytef*)data.data();
  stream.avail_in = (uInt)data.size();
  stream.next_out = (Bytef*)out.data();
  stream.avail_out = (uInt)out.size();
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline zip_bytes make_zip_bytes(const std::vector<zip_bytes_entry>& entries) {
  zip_bytes zip;
  std::string directory;
  for (const zip_bytes_entry& entry : entries) {
    std::string data = entry.deflate ? deflated(entry.data) : entry.data;
    auto crc = (uint32_t)crc32(0, (const Bytef*)entry.data.data(), (uInt)entry.data.size());
    std::string fields(26, '\0');  // from the version needed to the extra field's length
    put_le(fields, 0, 20, 2);
    put_le(fields, 4, entry.deflate ? 8 : 0, 2);
    put_le(fields, 10, crc, 4);
    put_le(fields, 14, data.size(), 4);
    put_le(fields, 18, entry.data.size(), 4);
    put_le(fields, 22, entry.name.size(), 2);
    zip.local.push_back(zip.bytes.size());
    zip.central.push_back(directory.size());
    std::string tail(14, '\0');  // comment length to the local header's offset
    put_le(tail, 10, zip.bytes.size(), 4);
    zip.bytes += "PK\3\4" + fields + entry.name + data;
    directory += "PK\1\2" + std::string("\x14\x03", 2) + fields + tail + entry.name;
  }
  for (size_t& at : zip.central) at += zip.bytes.size();
  std::string end = "PK\5\6" + std::string(18, '\0');
  put_le(end, 8, entries.size(), 2);
  put_le(end, 10, entries.size(), 2);
  put_le(end, 12, directory.size(), 4);
  put_le(end, 16, zip.bytes.size(), 4);
  zip.end = zip.bytes.size() + directory.size();
  zip.bytes += directory + end;
  return zip;
}
