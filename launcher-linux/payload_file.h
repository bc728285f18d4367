#pragma once
// The payload at the end of the launcher's own file, found by the payload
// library (payload/trailer.h) and read as launcher.exe reads its own: the
// archive when its length and bytes lie in the file, the JSON text only when
// the whole trailer does.
#include <string>

struct payload_texts {
  bool has_json;  // the trailer is sound and its JSON part not empty
  std::string json;
  std::string archive;  // empty: none
};

payload_texts read_payload_file(const char* path);
