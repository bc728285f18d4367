#include "app_identity.h"

#include "html_text.h"
#include "payload/entry_names.h"

namespace {

// A member of package.json that must be a text when it is there.
bool package_text(const json_node* package, const char* key, std::optional<std::string>& text, std::string& problem) {
  const json_node* member = package ? json_member_of(*package, key) : nullptr;
  if (!member || member->kind == json_kind::null) return true;
  if (member->kind != json_kind::string) {
    problem = std::string("package.json: ") + key + " must be a text";
    return false;
  }
  if (!member->text.empty()) text = member->text;
  return true;
}

// The first of the sources that gives a value, and which one it was.
void choose(std::optional<std::string>& field, std::string& source,
            std::initializer_list<std::pair<const std::optional<std::string>*, const char*>> sources) {
  for (const auto& [value, name] : sources) {
    if (value->has_value()) {
      field = **value;
      source = name;
      return;
    }
  }
}

// "&amp;", "&#233;", "&#xE9;": the few references a title holds.
std::string with_references_read(std::string_view text) {
  static const std::pair<const char*, const char*> named[] = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    size_t end = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
    if (end == std::string_view::npos || end - i > 10) {
      out += text[i];
      continue;
    }
    std::string_view name = text.substr(i + 1, end - i - 1);
    std::string replacement;
    if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      char32_t code = 0;
      bool digits = name.size() > (hex ? 2u : 1u);
      for (char c : name.substr(hex ? 2 : 1)) {
        int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0 || code > 0x10FFFF) digits = false;
        else code = code * (hex ? 16 : 10) + (char32_t)digit;
      }
      if (digits && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) append_utf8(replacement, code);
    } else {
      for (const auto& [key, value] : named)
        if (name == key) replacement = value;
    }
    if (replacement.empty()) {
      out += text[i];
      continue;
    }
    out += replacement;
    i = end;
  }
  return out;
}

}  // namespace

bool read_app_version(std::string_view text, std::array<uint16_t, 4>& numbers) {
  numbers = {};
  size_t at = 0;
  for (int part = 0; part < 4; part++) {
    size_t start = at;
    uint32_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= 65535) value = value * 10 + (text[at++] - '0');
    if (at == start || value > 65535) return false;
    numbers[part] = (uint16_t)value;
    if (at == text.size() || text[at] != '.') break;
    at++;
  }
  return at == text.size() || ((text[at] == '-' || text[at] == '+') && at + 1 < text.size());
}

bool settle_app_identity(const pack_options& options, const settings_values& values, const json_node* package,
                         app_identity& identity, std::string& problem) {
  identity = {};
  std::optional<std::string> product_name, name, version, description;
  if (!package_text(package, "productName", product_name, problem) || !package_text(package, "name", name, problem) ||
      !package_text(package, "version", version, problem) ||
      !package_text(package, "description", description, problem))
    return false;
  choose(identity.name, identity.name_source,
         {{&options.app_name, "--app-name"}, {&values.given[app_name_setting], "the settings' AppName"},
          {&product_name, "package.json's productName"}, {&name, "package.json's name"}});
  choose(identity.version, identity.version_source,
         {{&options.app_version, "--app-version"}, {&values.given[app_version_setting], "the settings' AppVersion"},
          {&version, "package.json's version"}});
  std::string ignored;
  choose(identity.description, ignored, {{&options.description, ""}, {&description, ""}});
  identity.package_name = name;
  identity.company = options.company;
  identity.copyright = options.copyright;
  if (identity.version && !read_app_version(*identity.version, identity.numbers)) {
    problem = identity.version_source + " wants " + app_version_wanted + ", not \"" + *identity.version +
              "\" (--app-version gives another)";
    return false;
  }
  return true;
}

std::string page_title_of(std::string_view html) {
  size_t open = find_tag(html, "title", 0);
  if (open == std::string_view::npos) return "";
  size_t start = html.find('>', open);
  if (start == std::string_view::npos) return "";
  size_t end = find_letters(html, "</title", start);
  if (end == std::string_view::npos) return "";
  std::string collapsed;
  for (char c : html.substr(start + 1, end - start - 1)) {
    if (is_space(c)) {
      if (!collapsed.empty() && collapsed.back() != ' ') collapsed += ' ';
    } else {
      collapsed += c;
    }
  }
  if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return with_references_read(collapsed);
}
