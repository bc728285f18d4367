#pragma once
// Executables as a linker and then a signing tool leave them, made byte by
// byte for the readers of the certificate table: PE headers (PE32+ or PE32)
// whose security entry points at a table appended at the end. The table is
// no real signature. Builds on Windows and on Linux.
#include <cstdint>
#include <string>

namespace signed_files {

constexpr size_t pe_at = 0x80, optional_at = pe_at + 24, headers_size = 0x400, table_size = 40;

inline void set(std::string& bytes, size_t at, uint32_t value, size_t count = 4) {
  bytes.replace(at, count, std::string{(char)value, (char)(value >> 8), (char)(value >> 16), (char)(value >> 24)}, 0,
                count);
}
inline std::string put(std::string bytes, size_t at, uint32_t value, size_t count = 4) {
  set(bytes, at, value, count);
  return bytes;
}

// Headers with an empty security entry and no checksum, then code.
inline std::string unsigned_image(bool plus = true) {
  std::string bytes(headers_size + 1000, '\xCC');
  bytes.replace(pe_at, 24 + 240 + 40, 24 + 240 + 40, '\0');
  set(bytes, 0, 0x5A4D, 2);
  set(bytes, 60, pe_at);
  set(bytes, pe_at, 0x4550);
  set(bytes, pe_at + 6, 1, 2);
  set(bytes, pe_at + 20, plus ? 240 : 224, 2);
  set(bytes, optional_at, plus ? 0x20B : 0x10B, 2);
  set(bytes, optional_at + 60, headers_size);
  set(bytes, optional_at + (plus ? 108 : 92), 16);
  return bytes;
}

inline size_t security_entry(bool plus = true) { return optional_at + (plus ? 112 : 96) + 8 * 4; }

// The bytes with padding and a certificate table appended, the security
// entry pointing at the table and the checksum set, as signing tools do.
inline std::string signed_file(const std::string& unsigned_bytes, const std::string& padding = "", bool plus = true) {
  std::string bytes = unsigned_bytes + padding;
  set(bytes, security_entry(plus), (uint32_t)bytes.size());
  set(bytes, security_entry(plus) + 4, table_size);
  set(bytes, optional_at + 64, 0x5EED);
  return bytes + put(std::string(table_size, '\x30'), 0, table_size);
}

}  // namespace signed_files
