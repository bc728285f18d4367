#pragma once
// Where a zip archive keeps its numbers and names: the sizes, counts,
// offsets, flags, methods, attributes and times of its local headers, data
// descriptors, central directory and end record, and the entry names in
// both kinds of header,
// found from the end record the way a reader finds them. The fuzzer aims its
// mutations at them; the seeds fix the times in them.
#include <cstddef>
#include <string>
#include <vector>

enum class field_kind { number, time, name };

struct byte_field {
  size_t offset;  // in the bytes the fields were found in
  int width;      // numbers and times: 2, 4 or 8, little-endian; names: their length
  field_kind kind = field_kind::number;
};

// Empty when the bytes have no end record.
std::vector<byte_field> zip_fields(const std::string& zip);

// Sets every time stamp in the headers to one fixed time: the writer stamps
// entries with the time they were added, and a seed must give the same bytes
// on every run. The data and its checksums do not cover the headers.
void fix_zip_times(std::string& zip);

uint64_t field_value(const std::string& bytes, const byte_field& field);
void set_field(std::string& bytes, const byte_field& field, uint64_t value);
