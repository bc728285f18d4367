#pragma once
// Little-endian fields of files held in memory. A field that reaches past the
// end reads as 0, so that a damaged file cannot make a reader step outside it.
#include <cstddef>
#include <cstdint>
#include <string>

inline uint32_t get16(const std::string& b, size_t at) {
  return at + 2 <= b.size() ? (uint8_t)b[at] | (uint8_t)b[at + 1] << 8 : 0;
}
inline uint32_t get32(const std::string& b, size_t at) {
  return at + 4 <= b.size() ? get16(b, at) | get16(b, at + 2) << 16 : 0;
}
inline void put16(std::string& b, size_t at, uint32_t v) {
  b[at] = (char)(v & 0xFF);
  b[at + 1] = (char)((v >> 8) & 0xFF);
}
inline void put32(std::string& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}
