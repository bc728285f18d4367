#include "pe_resources.h"

#include <algorithm>
#include <map>

#include "payload/byte_fields.h"
#include "payload/pe_headers.h"

namespace {

constexpr uint32_t resource_directory = pe_directory_resources;
constexpr uint32_t subdirectory_bit = 0x80000000;

uint32_t align_up(uint64_t value, uint32_t alignment) {
  return (uint32_t)((value + alignment - 1) / alignment * alignment);
}

struct pe_view {
  pe_headers headers;
  std::vector<pe_section> sections;

  uint32_t directory_rva(uint32_t index, const std::string& b) const {
    return read_pe_directory(memory_source(b), headers, index).address;
  }
  uint32_t directory_size(uint32_t index, const std::string& b) const {
    return read_pe_directory(memory_source(b), headers, index).size;
  }
  // The file offset of size bytes at rva, or none when they are not all in
  // one section's file data.
  bool offset_of(uint32_t rva, uint32_t size, size_t& offset) const {
    for (const auto& s : sections) {
      if (rva >= s.virtual_address && (uint64_t)rva + size <= (uint64_t)s.virtual_address + s.raw_size) {
        offset = s.raw_pointer + (rva - s.virtual_address);
        return true;
      }
    }
    return false;
  }
};

uint32_t virtual_end(const pe_section& s) { return s.virtual_address + std::max(s.virtual_size, s.raw_size); }

bool view_pe(const std::string& b, pe_view& pe, std::string& problem) {
  problem = "not a Windows executable this tool can edit";
  const byte_source source = memory_source(b);
  pe_headers& h = pe.headers;
  if (!read_pe_headers(source, h)) return false;
  if (h.directories_at + 8ull * h.directory_count > h.section_table_at ||
      h.section_table_at + (uint64_t)pe_section_header_size * h.section_count > b.size() || h.file_alignment == 0 ||
      h.section_alignment == 0)
    return false;
  for (uint32_t i = 0; i < h.section_count; i++) {
    pe.sections.emplace_back();
    read_pe_section(source, h, i, pe.sections.back());
  }
  problem.clear();
  return true;
}

std::u16string directory_string(const std::string& b, size_t at) {
  std::u16string name;
  uint32_t length = get16(b, at);
  if (at + 2 + 2ull * length > b.size()) return u"?";
  for (uint32_t i = 0; i < length; i++) name += (char16_t)get16(b, at + 2 + 2 * i);
  return name;
}

struct tree_reader {
  const std::string& b;
  const pe_view& pe;
  size_t base;  // file offset of the resource directory
  uint32_t size;
  std::vector<resource_item>& items;

  // Entries of the directory at offset, calling visit(id, target offset, is directory).
  template <typename Visit>
  bool entries(uint32_t offset, Visit visit) {
    if ((uint64_t)offset + 16 > size) return false;
    uint32_t count = get16(b, base + offset + 12) + get16(b, base + offset + 14);
    if ((uint64_t)offset + 16 + 8ull * count > size) return false;
    for (uint32_t i = 0; i < count; i++) {
      size_t entry = base + offset + 16 + 8 * i;
      uint32_t name_field = get32(b, entry), target = get32(b, entry + 4);
      resource_id id{name_field, {}};
      if (name_field & subdirectory_bit) {
        uint32_t string_offset = name_field & ~subdirectory_bit;
        if (string_offset + 2ull > size) return false;
        id = {0, directory_string(b, base + string_offset)};
      }
      if (!visit(id, target & ~subdirectory_bit, (target & subdirectory_bit) != 0)) return false;
    }
    return true;
  }

  bool read() {
    return entries(0, [&](const resource_id& type, uint32_t types, bool is_directory) {
      return is_directory && entries(types, [&](const resource_id& name, uint32_t names, bool is_directory) {
               return is_directory && entries(names, [&](const resource_id& language, uint32_t leaf, bool is_dir) {
                        return !is_dir && leaf_item(type, name, (uint16_t)language.number, leaf);
                      });
             });
    });
  }

  bool leaf_item(const resource_id& type, const resource_id& name, uint16_t language, uint32_t leaf) {
    if ((uint64_t)leaf + 16 > size) return false;
    uint32_t rva = get32(b, base + leaf), length = get32(b, base + leaf + 4);
    size_t data = 0;
    if (!pe.offset_of(rva, length, data)) return false;
    items.push_back({type, name, language, get32(b, base + leaf + 8), b.substr(data, length)});
    return true;
  }
};

// Named entries come first, ordered by their upper-case names, as the loader
// searches them; numbered ones follow in ascending order.
bool id_less(const resource_id& a, const resource_id& b) {
  if (a.name.empty() != b.name.empty()) return !a.name.empty();
  if (a.name.empty()) return a.number < b.number;
  auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? (char16_t)(c - 32) : c; };
  return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                      [&](char16_t x, char16_t y) { return upper(x) < upper(y); });
}

// The resource section's bytes for items sorted by type, name and language,
// with data entries pointing at section_rva onwards.
std::string build_resource_section(std::vector<resource_item> items, uint32_t section_rva) {
  std::stable_sort(items.begin(), items.end(), [](const resource_item& a, const resource_item& b) {
    if (!(a.type == b.type)) return id_less(a.type, b.type);
    if (!(a.name == b.name)) return id_less(a.name, b.name);
    return a.language < b.language;
  });
  // Ranges of items: per type, and per type and name.
  std::vector<std::pair<size_t, size_t>> types, names;
  for (size_t i = 0; i < items.size(); i++) {
    if (i == 0 || !(items[i].type == items[i - 1].type)) types.push_back({i, i});
    if (i == 0 || !(items[i].type == items[i - 1].type) || !(items[i].name == items[i - 1].name))
      names.push_back({i, i});
    types.back().second = names.back().second = i + 1;
  }
  uint32_t directories = 16 + 8 * (uint32_t)types.size();
  directories += 16 * (uint32_t)types.size() + 8 * (uint32_t)names.size();
  directories += 16 * (uint32_t)names.size() + 8 * (uint32_t)items.size();
  uint32_t leaves = directories, strings = leaves + 16 * (uint32_t)items.size();

  std::string out(strings, '\0');
  std::map<std::u16string, uint32_t> string_offsets;
  auto name_field = [&](const resource_id& id) -> uint32_t {
    if (id.name.empty()) return id.number;
    auto [it, fresh] = string_offsets.emplace(id.name, (uint32_t)out.size());
    if (fresh) {
      out.append(2 + 2 * id.name.size(), '\0');
      put16(out, it->second, (uint32_t)id.name.size());
      for (size_t i = 0; i < id.name.size(); i++) put16(out, it->second + 2 + 2 * i, id.name[i]);
    }
    return it->second | subdirectory_bit;
  };
  uint32_t next_directory = 0;
  auto directory = [&](size_t named, size_t numbered) {
    uint32_t at = next_directory;
    put16(out, at + 12, (uint32_t)named);
    put16(out, at + 14, (uint32_t)numbered);
    next_directory += 16 + 8 * (uint32_t)(named + numbered);
    return at;
  };
  // Directories level by level: the root, then each type's, then each name's.
  size_t named_types = 0;
  for (const auto& t : types) named_types += !items[t.first].type.name.empty();
  uint32_t root = directory(named_types, types.size() - named_types);
  std::vector<uint32_t> type_dirs, name_dirs;
  for (const auto& [first, last] : types) {
    size_t total = 0, named = 0;
    for (const auto& n : names) {
      if (n.first >= first && n.first < last) total++, named += !items[n.first].name.name.empty();
    }
    type_dirs.push_back(directory(named, total - named));
  }
  for (const auto& [first, last] : names) name_dirs.push_back(directory(0, last - first));
  size_t name_index = 0;
  for (size_t t = 0; t < types.size(); t++) {
    put32(out, root + 16 + 8 * t, name_field(items[types[t].first].type));
    put32(out, root + 16 + 8 * t + 4, type_dirs[t] | subdirectory_bit);
    for (size_t k = 0; name_index < names.size() && names[name_index].first < types[t].second; k++, name_index++) {
      const auto& [first, last] = names[name_index];
      put32(out, type_dirs[t] + 16 + 8 * k, name_field(items[first].name));
      put32(out, type_dirs[t] + 16 + 8 * k + 4, name_dirs[name_index] | subdirectory_bit);
      for (size_t i = first; i < last; i++) {
        put32(out, name_dirs[name_index] + 16 + 8 * (i - first), items[i].language);
        put32(out, name_dirs[name_index] + 16 + 8 * (i - first) + 4, leaves + 16 * (uint32_t)i);
      }
    }
  }
  for (size_t i = 0; i < items.size(); i++) {
    out.resize(align_up(out.size(), 8), '\0');
    put32(out, leaves + 16 * i, section_rva + (uint32_t)out.size());
    put32(out, leaves + 16 * i + 4, (uint32_t)items[i].data.size());
    put32(out, leaves + 16 * i + 8, items[i].codepage);
    out += items[i].data;
  }
  return out;
}

}  // namespace

const char signed_problem[] = "the launcher is signed: changing its resources would break the signature";

bool read_pe_resources(const std::string& image, std::vector<resource_item>& items, std::string& problem) {
  items.clear();
  pe_view pe;
  if (!view_pe(image, pe, problem)) return false;
  uint32_t rva = pe.directory_rva(resource_directory, image), size = pe.directory_size(resource_directory, image);
  if (rva == 0) return true;
  size_t base = 0;
  if (!pe.offset_of(rva, size, base) || !tree_reader{image, pe, base, size, items}.read()) {
    problem = "the executable's resources are damaged";
    return false;
  }
  return true;
}

namespace {

// The sections that follow the resource section, in the file and in memory,
// when each can move: nothing but data directories (the base relocations,
// which the loader finds through their directory) points into them.
bool sections_after(const std::string& image, const pe_view& pe, const pe_section& resources,
                    std::vector<pe_section>& after) {
  after.clear();
  for (const auto& s : pe.sections)
    if (s.virtual_address > resources.virtual_address) after.push_back(s);
  std::sort(after.begin(), after.end(), [](const pe_section& a, const pe_section& b) { return a.virtual_address < b.virtual_address; });
  for (const auto& s : after) {
    if (s.raw_pointer < resources.raw_pointer) return false;
    for (uint32_t d = 0; d < pe.headers.directory_count && d < 16; d++) {
      uint32_t rva = pe.directory_rva(d, image);
      if (rva >= s.virtual_address && rva < virtual_end(s) && d != pe_directory_base_relocations) return false;
    }
  }
  return true;
}

}  // namespace

bool write_pe_resources(std::string& image, const std::vector<resource_item>& items, std::string& problem) {
  pe_view pe;
  if (!view_pe(image, pe, problem)) return false;
  if (pe.headers.directory_count <= resource_directory || pe.sections.empty() || pe.headers.section_alignment < 0x1000) {
    problem = "the executable's layout leaves no place for new resources";
    return false;
  }
  if (find_certificate_table(memory_source(image)).present) {
    problem = signed_problem;
    return false;
  }
  const pe_headers& h = pe.headers;
  uint32_t resource_rva = pe.directory_rva(resource_directory, image);
  auto old = std::find_if(pe.sections.begin(), pe.sections.end(), [&](const pe_section& s) {
    return resource_rva && resource_rva >= s.virtual_address && resource_rva < virtual_end(s);
  });
  std::vector<pe_section> after;
  if (old == pe.sections.end() || old->virtual_address != resource_rva || !sections_after(image, pe, *old, after)) {
    problem = "the executable's layout leaves no place for new resources";
    return false;
  }
  // The new tree takes the old one's place; what followed it moves up or
  // down behind it, in the file and in memory alike.
  pe_section target = *old;
  std::string data = build_resource_section(items, target.virtual_address);
  uint32_t raw_size = align_up(data.size(), h.file_alignment);
  std::string rebuilt = image.substr(0, target.raw_pointer) + data;
  rebuilt.resize(target.raw_pointer + (size_t)raw_size, '\0');
  uint64_t file_end = (uint64_t)target.raw_pointer + target.raw_size;
  uint32_t next_rva = align_up((uint64_t)target.virtual_address + data.size(), h.section_alignment);
  std::vector<std::pair<pe_section, pe_section>> moved;  // before, after
  for (const pe_section& s : after) {
    pe_section now = s;
    now.virtual_address = next_rva;
    now.raw_pointer = s.raw_size ? (uint32_t)rebuilt.size() : 0;
    if (s.raw_size) {
      rebuilt += image.substr(s.raw_pointer, s.raw_size);
      rebuilt.resize(align_up(rebuilt.size(), h.file_alignment), '\0');
    }
    file_end = std::max<uint64_t>(file_end, (uint64_t)s.raw_pointer + s.raw_size);
    next_rva = align_up((uint64_t)now.virtual_address + std::max(s.virtual_size, s.raw_size), h.section_alignment);
    moved.emplace_back(s, now);
  }
  // Whatever lay after the last section's data stays after it.
  if (file_end < image.size()) rebuilt += image.substr(file_end);
  image.swap(rebuilt);
  put32(image, target.header_at + 8, (uint32_t)data.size());
  put32(image, target.header_at + 16, raw_size);
  for (const auto& [before, now] : moved) {
    put32(image, now.header_at + 12, now.virtual_address);
    put32(image, now.header_at + 20, now.raw_pointer);
    for (uint32_t d = 0; d < h.directory_count && d < 16; d++) {
      uint32_t rva = get32(image, h.directories_at + 8 * d);
      if (rva >= before.virtual_address && rva < virtual_end(before))
        put32(image, h.directories_at + 8 * d, rva - before.virtual_address + now.virtual_address);
    }
  }
  size_t initialised = h.optional_at + 8;
  put32(image, initialised, get32(image, initialised) - target.raw_size + raw_size);
  put32(image, h.optional_at + 56, next_rva);
  put32(image, h.directories_at + 8 * resource_directory + 4, (uint32_t)data.size());
  // The appended payload would not match any checksum; loaders of programs
  // do not check it.
  put32(image, h.optional_at + 64, 0);
  return true;
}

void apply_resource_change(std::vector<resource_item>& items, const resource_change& change) {
  auto same = [](const resource_item& a, const resource_item& b) {
    return a.type == b.type && a.name == b.name && a.language == b.language;
  };
  std::erase_if(items, [&](const resource_item& item) {
    return std::any_of(change.removed.begin(), change.removed.end(), [&](const auto& r) { return same(r, item); }) ||
           std::any_of(change.added.begin(), change.added.end(), [&](const auto& a) { return same(a, item); });
  });
  items.insert(items.end(), change.added.begin(), change.added.end());
}

bool update_resources_in_image(std::string& image, const resource_change& change, std::string& problem) {
  std::vector<resource_item> items;
  if (!read_pe_resources(image, items, problem)) return false;
  apply_resource_change(items, change);
  return write_pe_resources(image, items, problem);
}

void strip_certificate_table(std::string& image) {
  certificate_table table = find_certificate_table(memory_source(image));
  if (!table.present) return;
  if (table.at_end) image.resize(table.offset);
  put32(image, table.entry_at, 0);
  put32(image, table.entry_at + 4, 0);
  put32(image, table.checksum_at, 0);
}
