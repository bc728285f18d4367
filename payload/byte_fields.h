#pragma once
// Little-endian unsigned fields, the one reader and writer of every binary
// record wapp reads or writes: the trailer, PE headers and resources, zip
// records. A field that reaches past the end of its bytes reads as 0, so that
// a damaged file cannot make a reader step outside it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline uint64_t little_endian(std::string_view bytes, uint64_t at, int count) {
  if (at > bytes.size() || bytes.size() - at < (uint64_t)count) return 0;
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; i--) value = value << 8 | (uint8_t)bytes[at + i];
  return value;
}
// A field at the start of bytes that hold it whole.
inline uint32_t little_endian(const uint8_t* bytes, int count) {
  return (uint32_t)little_endian(std::string_view((const char*)bytes, (size_t)count), 0, count);
}
inline void put_little_endian(void* bytes, uint64_t value, int count) {
  for (int i = 0; i < count; i++) ((uint8_t*)bytes)[i] = (uint8_t)(value >> (8 * i));
}

// The packer's short names for the fields of files it holds in memory.
inline uint32_t get16(std::string_view b, size_t at) { return (uint32_t)little_endian(b, at, 2); }
inline uint32_t get32(std::string_view b, size_t at) { return (uint32_t)little_endian(b, at, 4); }
inline void put16(std::string& b, size_t at, uint32_t v) { put_little_endian(&b[at], v, 2); }
inline void put32(std::string& b, size_t at, uint32_t v) { put_little_endian(&b[at], v, 4); }
