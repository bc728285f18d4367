#include "fuzz/zip_fields.h"

#include <cstdint>

namespace {

constexpr size_t local_size = 30, central_size = 46, end_size = 22;
constexpr size_t longest_comment = 0xFFFF;

bool has_signature(const std::string& zip, size_t at, char third, char fourth) {
  return at + 4 <= zip.size() && zip[at] == 'P' && zip[at + 1] == 'K' && zip[at + 2] == third &&
         zip[at + 3] == fourth;
}

uint64_t read(const std::string& zip, size_t at, int width) {
  if (at + width > zip.size()) return 0;
  return field_value(zip, {at, width});
}

struct field_list {
  std::vector<byte_field> fields;
  size_t size;
  void add(size_t at, int width, field_kind kind = field_kind::number) {
    if (width > 0 && at + width <= size) fields.push_back({at, width, kind});
  }
  // The extra fields' ids and sizes; the zip64 sizes and offsets and the
  // extended time stamps inside them.
  void add_extras(const std::string& zip, size_t at, size_t length) {
    size_t end = at + length;
    while (at + 4 <= end && at + 4 <= size) {
      uint64_t id = read(zip, at, 2), data = read(zip, at + 2, 2);
      add(at + 2, 2);
      if (id == 0x0001)
        for (size_t i = 0; i + 8 <= data; i += 8) add(at + 4 + i, 8);
      if (id == 0x5455)
        for (size_t i = 1; i + 4 <= data; i += 4) add(at + 4 + i, 4, field_kind::time);
      at += 4 + data;
    }
  }
};

size_t end_record(const std::string& zip) {
  if (zip.size() < end_size) return std::string::npos;
  size_t lowest = zip.size() - end_size > longest_comment ? zip.size() - end_size - longest_comment : 0;
  for (size_t at = zip.size() - end_size + 1; at-- > lowest;)
    if (has_signature(zip, at, 5, 6)) return at;
  return std::string::npos;
}

}  // namespace

uint64_t field_value(const std::string& bytes, const byte_field& field) {
  uint64_t value = 0;
  for (int i = field.width - 1; i >= 0; i--) value = value << 8 | (uint8_t)bytes[field.offset + i];
  return value;
}

void set_field(std::string& bytes, const byte_field& field, uint64_t value) {
  for (int i = 0; i < field.width; i++) bytes[field.offset + i] = (char)(value >> (8 * i));
}

std::vector<byte_field> zip_fields(const std::string& zip) {
  field_list list{{}, zip.size()};
  size_t end = end_record(zip);
  if (end == std::string::npos) return {};
  for (size_t at : {4, 6, 8, 10, 20}) list.add(end + at, 2);
  for (size_t at : {12, 16}) list.add(end + at, 4);
  uint64_t entries = read(zip, end + 10, 2);
  size_t central = read(zip, end + 16, 4);
  for (uint64_t i = 0; i < entries && has_signature(zip, central, 1, 2) && central + central_size <= zip.size(); i++) {
    size_t name = read(zip, central + 28, 2), extra = read(zip, central + 30, 2), comment = read(zip, central + 32, 2);
    list.add(central + 12, 2, field_kind::time);
    list.add(central + 14, 2, field_kind::time);
    list.add(central + central_size, (int)name, field_kind::name);
    // Versions, flags (encryption, descriptor, UTF-8), method and attributes
    // (a Unix file type among them) steer the reader as much as the lengths.
    for (size_t at : {16, 20, 24, 38, 42}) list.add(central + at, 4);
    for (size_t at : {4, 6, 8, 10, 28, 30, 32, 34, 36}) list.add(central + at, 2);
    list.add_extras(zip, central + central_size + name, extra);

    size_t local = read(zip, central + 42, 4);
    if (has_signature(zip, local, 3, 4) && local + local_size <= zip.size()) {
      size_t local_name = read(zip, local + 26, 2), local_extra = read(zip, local + 28, 2);
      list.add(local + 10, 2, field_kind::time);
      list.add(local + 12, 2, field_kind::time);
      list.add(local + local_size, (int)local_name, field_kind::name);
      for (size_t at : {14, 18, 22}) list.add(local + at, 4);
      for (size_t at : {4, 6, 8, 26, 28}) list.add(local + at, 2);
      list.add_extras(zip, local + local_size + local_name, local_extra);
      size_t descriptor = local + local_size + local_name + local_extra + read(zip, central + 20, 4);
      if (has_signature(zip, descriptor, 7, 8))
        for (size_t at : {4, 8, 12}) list.add(descriptor + at, 4);
    }
    central += central_size + name + extra + comment;
  }
  return list.fields;
}

void fix_zip_times(std::string& zip) {
  for (const byte_field& field : zip_fields(zip))
    // 2001-09-09 in seconds; in the DOS fields whatever those bits say.
    if (field.kind == field_kind::time) set_field(zip, field, field.width == 4 ? 1000000000u : 0x2B21u);
}
