#pragma once
// The resources of a Windows executable held in memory: read from its
// resource directory, and written back as a whole new resource tree, in place
// when the resource section is the file's last, else as a new last section.
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t resource_type_icon = 3;         // RT_ICON
constexpr uint32_t resource_type_group_icon = 14;  // RT_GROUP_ICON

// A number, or a name when the name is not empty.
struct resource_id {
  uint32_t number;
  std::u16string name;
  bool operator==(const resource_id&) const = default;
};

struct resource_item {
  resource_id type;
  resource_id name;
  uint16_t language;
  uint32_t codepage;
  std::string data;
};

extern const char signed_problem[];

// False with a problem when the image is not a PE file this code can read.
bool read_pe_resources(const std::string& image, std::vector<resource_item>& items, std::string& problem);
// Replaces the image's resources by items. False, the image untouched, for a
// signed image (its signature would no longer hold) or one without room for
// another section header.
bool write_pe_resources(std::string& image, const std::vector<resource_item>& items, std::string& problem);

// Makes an executable unsigned: its certificate table goes when it is the
// last thing in the bytes, its entry and the checksum that included it
// become zero.
void strip_certificate_table(std::string& image);
