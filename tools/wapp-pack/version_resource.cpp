#include "version_resource.h"

#include <cstdio>
#include <set>

#include "payload/byte_fields.h"
#include "payload/entry_names.h"

namespace {

constexpr uint32_t fixed_signature = 0xFEEF04BD;
constexpr uint16_t us_english = 0x409;
constexpr uint16_t unicode_code_page = 1200;
constexpr uint16_t binary_value = 0, text_value = 1;

std::string utf16_bytes(std::string_view utf8) {
  std::string out;
  auto unit = [&](uint32_t u) { out += (char)(u & 0xFF), out += (char)(u >> 8); };
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = next_utf8_character(utf8, i);
    if (c >= 0x10000) unit(0xD800 + ((c - 0x10000) >> 10)), unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    else unit(c);
  }
  return out + std::string(2, '\0');
}

void pad(std::string& b) { b.resize((b.size() + 3) / 4 * 4, '\0'); }

// One node of the resource's tree: its length, the value's length (in
// characters for a text), its kind, its key, then the value and the
// children, each on a 4-byte boundary.
std::string block(std::string_view key, const std::string& value, uint16_t value_length, uint16_t type,
                  const std::vector<std::string>& children = {}) {
  std::string b(6, '\0');
  b += utf16_bytes(key);
  pad(b);
  b += value;
  for (const auto& child : children) {
    pad(b);
    b += child;
  }
  put16(b, 0, (uint32_t)b.size());
  put16(b, 2, value_length);
  put16(b, 4, type);
  return b;
}

std::string fixed_file_info(const std::array<uint16_t, 4>& n) {
  std::string f(52, '\0');
  uint32_t high = (uint32_t)n[0] << 16 | n[1], low = (uint32_t)n[2] << 16 | n[3];
  const uint32_t fields[] = {fixed_signature, 0x00010000, high, low, high, low,
                             0x3F,  // the flags that mean something
                             0, 0x00040004 /* VOS_NT_WINDOWS32 */, 1 /* VFT_APP */, 0, 0, 0};
  for (size_t i = 0; i < 13; i++) put32(f, 4 * i, fields[i]);
  return f;
}

// A node as read: where its value and its children lie.
struct node {
  size_t start, end;  // within the bytes
  std::string key;
  size_t value_at;
  uint32_t value_length, type;
};

bool read_node(const std::string& b, size_t at, size_t limit, node& n) {
  if (at + 6 > limit) return false;
  uint32_t length = get16(b, at);
  if (length < 6 || at + length > limit) return false;
  n = {at, at + length, {}, 0, get16(b, at + 2), get16(b, at + 4)};
  size_t i = at + 6;
  for (; i + 2 <= n.end && get16(b, i) != 0; i += 2) append_utf8(n.key, get16(b, i));
  if (i + 2 > n.end) return false;
  n.value_at = (i + 2 + 3) / 4 * 4;
  return true;
}

// The children of a node, past its value.
template <typename Visit>
void children(const std::string& b, const node& parent, size_t value_bytes, Visit visit) {
  node child;
  for (size_t at = (parent.value_at + value_bytes + 3) / 4 * 4; read_node(b, at, parent.end, child);
       at = (child.end + 3) / 4 * 4)
    visit(child);
}

std::string text_at(const std::string& b, const node& n) {
  std::string text;
  for (size_t i = n.value_at; i + 2 <= n.end && get16(b, i) != 0; i += 2) {
    uint32_t unit = get16(b, i);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 4 <= n.end) {
      append_utf8(text, 0x10000 + ((unit - 0xD800) << 10) + (get16(b, i + 2) - 0xDC00));
      i += 2;
    } else {
      append_utf8(text, unit);
    }
  }
  return text;
}

}  // namespace

version_info version_info_of(const app_identity& identity, const std::string& file_name) {
  version_info info;
  info.numbers = identity.numbers;
  std::string stem = file_name.substr(0, file_name.rfind('.') == 0 ? file_name.size() : file_name.rfind('.'));
  std::string name = identity.name.value_or(stem);
  auto add = [&](const char* key, const std::optional<std::string>& value) {
    if (value) info.texts.emplace_back(key, *value);
  };
  add("CompanyName", identity.company);
  add("FileDescription", identity.description.value_or(name));
  add("FileVersion", identity.version);
  add("InternalName", stem);
  add("LegalCopyright", identity.copyright);
  add("OriginalFilename", file_name);
  add("ProductName", name);
  add("ProductVersion", identity.version);
  return info;
}

std::string version_resource_bytes(const version_info& info, uint16_t language) {
  std::vector<std::string> strings;
  for (const auto& [key, value] : info.texts) {
    std::string text = utf16_bytes(value);
    strings.push_back(block(key, text, (uint16_t)(text.size() / 2), text_value));
  }
  char table_key[9];
  std::snprintf(table_key, sizeof table_key, "%04X%04X", language, unicode_code_page);
  std::string translation(4, '\0');
  put16(translation, 0, language);
  put16(translation, 2, unicode_code_page);
  return block("VS_VERSION_INFO", fixed_file_info(info.numbers), 52, binary_value,
               {block("StringFileInfo", "", 0, text_value, {block(table_key, "", 0, text_value, strings)}),
                block("VarFileInfo", "", 0, text_value, {block("Translation", translation, 4, binary_value)})});
}

bool read_version_resource(const std::string& bytes, version_info& info) {
  info = {};
  node root;
  if (!read_node(bytes, 0, bytes.size(), root) || root.key != "VS_VERSION_INFO" || root.value_length != 52 ||
      root.value_at + 52 > root.end || get32(bytes, root.value_at) != fixed_signature)
    return false;
  uint32_t high = get32(bytes, root.value_at + 8), low = get32(bytes, root.value_at + 12);
  info.numbers = {(uint16_t)(high >> 16), (uint16_t)high, (uint16_t)(low >> 16), (uint16_t)low};
  children(bytes, root, 52, [&](const node& part) {
    if (part.key != "StringFileInfo") return;
    children(bytes, part, 0, [&](const node& table) {
      children(bytes, table, 0, [&](const node& text) { info.texts.emplace_back(text.key, text_at(bytes, text)); });
    });
  });
  return true;
}

resource_change plan_version_change(const std::vector<resource_item>& items, const version_info& info) {
  std::set<uint16_t> languages;
  for (const auto& item : items) {
    if (item.type == resource_id{resource_type_version, {}} && item.name == resource_id{1, {}})
      languages.insert(item.language);
  }
  if (languages.empty()) languages.insert(us_english);
  resource_change change;
  for (uint16_t language : languages)
    change.added.push_back(
        {{resource_type_version, {}}, {1, {}}, language, 0, version_resource_bytes(info, language)});
  return change;
}
