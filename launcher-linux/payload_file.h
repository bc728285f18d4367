#pragma once
// The payload at the end of the launcher's own file, found by the payload
// library (payload/trailer.h) and read as launcher.exe reads its own: the
// archive when its length and bytes lie in the file, the JSON text only when
// the whole trailer does. The file is mapped, not read: a page touches only
// the parts of the archive it loads, and nothing of it is held twice.
#include <memory>
#include <string>
#include <string_view>

struct file_mapping;

struct payload_texts {
  bool has_json;  // the trailer is sound and its JSON part not empty
  std::string json;
  std::string_view archive;  // in the mapping; empty: none
  std::shared_ptr<const file_mapping> mapping;  // keeps the archive's bytes mapped
};

payload_texts read_payload_file(const char* path);
