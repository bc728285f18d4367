#include "icon_resources.h"

#include <algorithm>
#include <set>

#include "payload/byte_fields.h"

namespace {

void append16(std::string& b, uint32_t v) {
  b += (char)(v & 0xFF);
  b += (char)((v >> 8) & 0xFF);
}
void append32(std::string& b, uint32_t v) {
  append16(b, v & 0xFFFF);
  append16(b, v >> 16);
}

bool is_group_one(const resource_item& item) {
  return item.type == resource_id{resource_type_group_icon, {}} && item.name == resource_id{1, {}};
}

// The icon numbers a group lists.
std::vector<uint32_t> group_members(const std::string& group) {
  std::vector<uint32_t> ids;
  if (group.size() < 6) return ids;
  uint32_t count = get16(group, 4);
  for (uint32_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); i++) ids.push_back(get16(group, 6 + 14 * i + 12));
  return ids;
}

std::string group_data(const std::vector<icon_image>& images, const std::vector<uint32_t>& ids) {
  std::string group;
  append16(group, 0);
  append16(group, 1);
  append16(group, (uint32_t)images.size());
  for (size_t i = 0; i < images.size(); i++) {
    const icon_image& image = images[i];
    group += (char)image.width;
    group += (char)image.height;
    group += (char)image.color_count;
    group += '\0';
    append16(group, image.planes);
    append16(group, image.bit_count);
    append32(group, (uint32_t)image.data.size());
    append16(group, ids[i]);
  }
  return group;
}

}  // namespace

bool read_icon_file(const std::string& bytes, std::vector<icon_image>& images, std::string& problem) {
  images.clear();
  problem = "not an icon file";
  if (bytes.size() < 6 || get16(bytes, 0) != 0 || get16(bytes, 2) != 1) return false;
  uint32_t count = get16(bytes, 4);
  if (count == 0 || 6 + 16ull * count > bytes.size()) return false;
  for (uint32_t i = 0; i < count; i++) {
    size_t entry = 6 + 16 * i;
    uint32_t size = get32(bytes, entry + 8), offset = get32(bytes, entry + 12);
    if (size < 40 || (uint64_t)offset + size > bytes.size()) return false;
    icon_image image{(uint8_t)bytes[entry], (uint8_t)bytes[entry + 1], (uint8_t)bytes[entry + 2],
                     (uint16_t)get16(bytes, entry + 4), (uint16_t)get16(bytes, entry + 6), bytes.substr(offset, size)};
    bool png = image.data.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0;
    uint32_t header = get32(image.data, 0);
    if (!png && header != 40 && header != 108 && header != 124) return false;
    // Some files leave these to the bitmap; the loader picks images by them.
    if (!png && image.bit_count == 0) image.planes = 1, image.bit_count = (uint16_t)get16(image.data, 14);
    images.push_back(std::move(image));
  }
  problem.clear();
  return true;
}

resource_change plan_icon_change(const std::vector<resource_item>& items, const std::vector<icon_image>& images) {
  resource_change change;
  std::set<uint16_t> languages;
  for (const auto& item : items) {
    if (is_group_one(item)) languages.insert(item.language);
  }
  if (languages.empty()) {
    // No icon 1 yet: the language of another icon group, or of any resource.
    auto other = std::find_if(items.begin(), items.end(), [](const resource_item& item) {
      return item.type == resource_id{resource_type_group_icon, {}};
    });
    languages.insert(other != items.end() ? other->language : items.empty() ? 0 : items.front().language);
  }
  // Numbers still listed by other groups stay, and so do their images.
  std::set<std::pair<uint16_t, uint32_t>> kept;
  for (const auto& item : items) {
    if (item.type == resource_id{resource_type_group_icon, {}} && !is_group_one(item)) {
      for (uint32_t id : group_members(item.data)) kept.insert({item.language, id});
    }
  }
  std::set<uint32_t> used;
  for (const auto& item : items) {
    if (is_group_one(item)) {
      for (uint32_t id : group_members(item.data)) {
        if (!kept.count({item.language, id}))
          change.removed.push_back({{resource_type_icon, {}}, {id, {}}, item.language, 0, {}});
      }
    }
  }
  for (const auto& item : items) {
    bool removed = std::any_of(change.removed.begin(), change.removed.end(), [&](const resource_item& r) {
      return r.name == item.name && r.language == item.language;
    });
    if (item.type == resource_id{resource_type_icon, {}} && item.name.name.empty() && !removed) used.insert(item.name.number);
  }
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; ids.size() < images.size(); id++) {
    if (!used.count(id)) ids.push_back(id);
  }
  for (uint16_t language : languages) {
    for (size_t i = 0; i < images.size(); i++)
      change.added.push_back({{resource_type_icon, {}}, {ids[i], {}}, language, 0, images[i].data});
    change.added.push_back({{resource_type_group_icon, {}}, {1, {}}, language, 0, group_data(images, ids)});
  }
  return change;
}

std::vector<int> icon_one_sizes(const std::vector<resource_item>& items) {
  std::vector<int> sizes;
  auto group = std::find_if(items.begin(), items.end(), is_group_one);
  if (group == items.end() || group->data.size() < 6) return sizes;
  uint32_t count = get16(group->data, 4);
  for (uint32_t i = 0; i < count && 6 + 14 * (i + 1) <= group->data.size(); i++) {
    uint8_t width = (uint8_t)group->data[6 + 14 * i];
    sizes.push_back(width ? width : 256);
  }
  return sizes;
}
