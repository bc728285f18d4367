#pragma once
// A short, fixed-length name made from a program's path, for the objects by
// which a start finds a running copy of the same program (single instance):
// a path is too long, and holds characters, that such names cannot. 64-bit
// FNV-1a over the path's code units, as 16 hexadecimal digits; header-only,
// for UTF-16 and UTF-8 paths alike.
#include <cstddef>
#include <cstdint>
#include <type_traits>

template <class Char>
uint64_t path_hash(const Char* path, size_t length) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < length; i++) {
    hash ^= (uint64_t)(uint32_t)(std::make_unsigned_t<Char>)path[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// Writes the 16 digits and a terminating zero.
template <class Char>
void path_hash_digits(uint64_t hash, Char (&digits)[17]) {
  for (int i = 15; i >= 0; i--, hash >>= 4) digits[i] = (Char)"0123456789abcdef"[hash & 15];
  digits[16] = 0;
}
