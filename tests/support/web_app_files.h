#pragma once
// Archives, payloads and folder listings made on the spot, for the tests and
// the benchmarks alike (no test framework in here).
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "payload/trailer.h"  // trailer_bytes: the payload written as the packer writes it
#include "runtime/core/registry.h"
#include "runtime/pack/pack.h"

namespace fs = std::filesystem;

using entry_list = std::vector<std::pair<std::wstring, std::string>>;

inline std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Writes an archive with the pack library's own writer (the pack library
// must be started) at a compression level (0 stores); names ending in "/"
// become directory entries. The name of the first entry that could not be
// added, or the empty text.
inline std::wstring write_zip(const fs::path& path, const entry_list& entries, int32_t level = 6) {
  int64_t pack = create_pack(any_number, path.c_str(), level, zip_plugin_id);
  if (!pack) return L"(no archive)";
  std::wstring failed;
  for (const auto& [name, data] : entries) {
    int32_t added = name.ends_with(L'/') ? add_pack_directory(pack, name.c_str())
                                         : add_pack_memory(pack, data.data(), (int64_t)data.size(), name.c_str());
    if (!added && failed.empty()) failed = name;
  }
  close_pack(pack);
  return failed;
}

// Everything below root, relative, with "/" separators; folders end in "/".
inline std::set<std::wstring> tree_of(const fs::path& root) {
  std::set<std::wstring> tree;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    std::wstring name = it->path().lexically_relative(root).generic_wstring();
    tree.insert(it->is_directory() ? name + L"/" : name);
  }
  return tree;
}
