#include "settings_document.h"

#include "payload/virtual_host.h"

bool take_settings_file(const json_node& root, settings_values& values, std::string& problem) {
  if (root.kind != json_kind::object) {
    problem = "the settings must be a JSON object";
    return false;
  }
  for (const auto& [name, value] : root.members) {
    if (name == virtual_host_key) {
      if (value.kind == json_kind::null) continue;
      if (value.kind != json_kind::string) {
        problem = "VirtualHost must be a string";
        return false;
      }
      if (!is_virtual_host_name(value.text.data(), value.text.size())) {
        problem = "VirtualHost \"" + value.text + "\" is not a host name of letters, digits, hyphens and dots";
        return false;
      }
      values.virtual_host = value.text;
      continue;
    }
    int index = setting_index(name);
    if (index < 0) {
      values.others.emplace_back(name, value);
      continue;
    }
    const setting_key& key = setting_keys[index];
    bool is_switch = key.kind == setting_kind::switch_when_one || key.kind == setting_kind::switch_when_not_zero;
    if (value.kind == json_kind::string || value.kind == json_kind::number) {
      values.given[index] = value.text;
    } else if (value.kind == json_kind::boolean && is_switch) {
      values.given[index].emplace(1, value.text == "true" ? '1' : '0');
    } else if (value.kind != json_kind::null) {
      problem = std::string(key.name) + " must be a string" + (is_switch ? ", a number or true/false" : " or a number");
      return false;
    }
  }
  return true;
}

std::string settings_document(const settings_values& values) {
  std::string out = "{";
  auto member = [&](const std::string& name, const std::string& value) {
    out += (out.size() > 1 ? ",\r\n  " : "\r\n  ") + json_quoted(name) + ": " + value;
  };
  for (int i = 0; i < setting_count; i++)
    member(setting_keys[i].name, json_quoted(values.given[i].value_or(setting_keys[i].default_text)));
  if (values.virtual_host) member(virtual_host_key, json_quoted(*values.virtual_host));
  for (const auto& [name, value] : values.others) member(name, json_compact(value));
  return out + "\r\n}";
}
