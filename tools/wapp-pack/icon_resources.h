#pragma once
// Icon 1 of an executable replaced by the images of an .ico file, or by
// those made from PNGs (png_icon.h): the group icon resource 1 and the icon
// images it lists.
#include <cstdint>
#include <string>
#include <vector>

#include "pe_resources.h"

struct icon_image {
  uint8_t width, height, color_count;
  uint16_t planes, bit_count;
  std::string data;  // a BMP without its file header, or a PNG
};

// An icon file, .ico or PNG, is read whole: at most 16 MiB.
constexpr uint64_t icon_file_limit = (uint64_t)16 << 20;

bool read_icon_file(const std::string& bytes, std::vector<icon_image>& images, std::string& problem);

// Icon 1 made of the images, in each language its group has in the
// executable: old images go unless another group still lists them; new ones
// take the lowest free icon numbers.
resource_change plan_icon_change(const std::vector<resource_item>& items, const std::vector<icon_image>& images);

// The sizes of the images icon 1 lists, in the first language that has it;
// none without the icon.
std::vector<int> icon_one_sizes(const std::vector<resource_item>& items);
