#pragma once
// Icon 1 of an executable replaced by the images of an .ico file: the group
// icon resource 1 and the icon images it lists, in each language the group
// has in the file.
#include <cstdint>
#include <string>
#include <vector>

#include "pe_resources.h"

struct icon_image {
  uint8_t width, height, color_count;
  uint16_t planes, bit_count;
  std::string data;  // a BMP without its file header, or a PNG
};

bool read_icon_file(const std::string& bytes, std::vector<icon_image>& images, std::string& problem);

struct icon_change {
  std::vector<resource_item> removed;  // old icon images (type, name, language; no data)
  std::vector<resource_item> added;    // new icon images and the new group, per language
};

// Old images go unless another group still lists them; new ones take the
// lowest free icon numbers.
icon_change plan_icon_change(const std::vector<resource_item>& items, const std::vector<icon_image>& images);
// Applies the change to a resource list (the group 1 items are replaced).
void apply_icon_change(std::vector<resource_item>& items, const icon_change& change);

// Replaces icon 1 of the executable held in memory, with our own resource
// writer. The same result on every platform.
bool replace_icon_in_image(std::string& image, const std::vector<icon_image>& images, std::string& problem);
#ifdef _WIN32
// Replaces icon 1 of the executable file with the system's resource update.
bool replace_icon_in_file(const std::wstring& path, const std::vector<icon_image>& images, std::string& problem);
#endif
