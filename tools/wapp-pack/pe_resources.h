#pragma once
// The resources of a Windows executable held in memory: read from its
// resource directory, and written back as a whole new resource tree in the
// old tree's place, the sections after it (the base relocations) moved
// behind it. Nothing of the old tree stays in the file, and the same
// resources give the same bytes on every platform.
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t resource_type_icon = 3;         // RT_ICON
constexpr uint32_t resource_type_group_icon = 14;  // RT_GROUP_ICON
constexpr uint32_t resource_type_version = 16;     // RT_VERSION

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

// Resources to take out (type, name and language; no data) and to put in,
// replacing any of the same type, name and language.
struct resource_change {
  std::vector<resource_item> removed;
  std::vector<resource_item> added;
};

extern const char signed_problem[];

// False with a problem when the image is not a PE file this code can read.
bool read_pe_resources(const std::string& image, std::vector<resource_item>& items, std::string& problem);
// Replaces the image's resources by items. False, the image untouched, for a
// signed image (its signature would no longer hold) or one whose resource
// section is followed by a section that cannot move.
bool write_pe_resources(std::string& image, const std::vector<resource_item>& items, std::string& problem);

// Applies the change to a resource list.
void apply_resource_change(std::vector<resource_item>& items, const resource_change& change);
// Applies the change to the executable held in memory.
bool update_resources_in_image(std::string& image, const resource_change& change, std::string& problem);

// Makes an executable unsigned: its certificate table goes when it is the
// last thing in the bytes, its entry and the checksum that included it
// become zero.
void strip_certificate_table(std::string& image);
