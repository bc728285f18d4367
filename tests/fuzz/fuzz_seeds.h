#pragma once
// The valid inputs the fuzzer starts from: settings documents, zip archives
// made by the runtime's own writer (one of them the size of a real web app)
// and whole launcher files carrying both, signed ones among them.
#include <string>
#include <vector>

#include "fuzz/zip_fields.h"

enum class seed_kind { settings, archive, payload };

struct fuzz_seed {
  std::string name;
  seed_kind kind;
  std::string bytes;
  // The numbers a reader believes: in archives their headers' fields, in
  // payloads also the two lengths and the certificate table's entry.
  std::vector<byte_field> fields;
};

// Needs the pack library started; writes its archives to files in `folder`
// (which must exist) and reads them back.
std::vector<fuzz_seed> make_fuzz_seeds(const std::wstring& folder);
