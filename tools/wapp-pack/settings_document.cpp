#include "settings_document.h"

#include "launcher-common/permission_policy.h"
#include "payload/app_id.h"
#include "updates/app_update.h"

#include "app_identity.h"
#include "options.h"
#include "payload/virtual_host.h"

namespace {

bool whole_number_in(std::string_view text, long lowest, long highest) {
  if (text.empty() || text.size() > 9) return false;
  long number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return number >= lowest && number <= highest;
}

bool refuse(std::string& problem, const std::string& key, const std::string& wanted, const std::string& value) {
  problem = key + " wants " + wanted + ", not " + json_quoted(value);
  return false;
}

// The keys without a default: what each wants, checked as its option is.
bool take_optional_key(const std::string& name, const json_node& value, std::optional<std::string>& given,
                       std::string& problem) {
  if (value.kind == json_kind::null) return true;
  if (value.kind != json_kind::string) {
    problem = name + " must be a string";
    return false;
  }
  const std::string& text = value.text;
  std::array<uint16_t, 4> numbers;
  if (name == setting_keys[dev_url_setting].name || name == setting_keys[dev_folder_setting].name) {
    problem = name + " is for wapp-pack dev alone: a program packed for users serves from its archive";
    return false;
  }
  if (name == virtual_host_key) {
    if (!is_virtual_host_name(text.data(), text.size()))
      return refuse(problem, name, "a host name of letters, digits, hyphens and dots", text);
  } else if (name == app_version_key) {
    if (!read_app_version(text, numbers)) return refuse(problem, name, app_version_wanted, text);
  } else if (std::string wanted; !setting_text_is_sound(setting_keys[setting_index(name)], text, wanted)) {
    return refuse(problem, name, wanted, text);
  }
  given = text;
  return true;
}

}  // namespace

bool setting_text_is_sound(const setting_key& key, std::string_view text, std::string& wants) {
  switch (key.kind) {
    case setting_kind::number:
      wants = "a whole number from 1 to 32767";
      return whole_number_in(text, 1, 32767);
    case setting_kind::switch_when_one:
    case setting_kind::switch_when_not_zero:
      wants = "\"1\" or \"0\" (or true or false)";
      return text == "1" || text == "0";
    case setting_kind::permission_map: {
      permission_policy policy;
      std::string problem;
      wants = permission_policy_form;
      return read_permission_policy(text, policy, problem);
    }
    case setting_kind::app_id:
      wants = "1 to 64 lower-case letters, digits, \".\", \"-\" and \"_\", starting with a letter or a digit";
      return is_app_id(text);
    case setting_kind::update_url: {
      std::string problem;
      wants = "the https:// address of the update folder (http:// on a loopback address alone)";
      return is_update_url(text, problem);
    }
    case setting_kind::update_key: {
      update_public_key key;
      wants = "an update public key in base64 (wapp-pack keygen makes one)";
      return bytes_of_base64(text, key.data(), key.size());
    }
    case setting_kind::text: break;
  }
  return true;
}

bool take_settings_file(const json_node& root, settings_values& values, std::vector<std::string>& warnings,
                        std::string& problem) {
  if (root.kind != json_kind::object) {
    problem = "the settings must be a JSON object";
    return false;
  }
  for (const auto& [name, value] : root.members) {
    int index = setting_index(name);
    if (index >= 0 && !setting_keys[index].default_text) {
      if (!take_optional_key(name, value, values.given[index], problem)) return false;
      continue;
    }
    if (index < 0) {
      warnings.push_back("unknown key " + json_quoted(name) + setting_key_suggestion(name) +
                         ": the launcher ignores it (carried along as it is)");
      values.others.emplace_back(name, value);
      continue;
    }
    const setting_key& key = setting_keys[index];
    bool is_switch = key.kind == setting_kind::switch_when_one || key.kind == setting_kind::switch_when_not_zero;
    std::string text, wanted;
    if (value.kind == json_kind::string || value.kind == json_kind::number) {
      text = value.text;
    } else if (value.kind == json_kind::boolean && is_switch) {
      text.assign(1, value.text == "true" ? '1' : '0');
    } else if (value.kind == json_kind::null) {
      continue;
    } else {
      problem = std::string(key.name) + " must be a string" + (is_switch ? ", a number or true/false" : " or a number");
      return false;
    }
    if (!setting_text_is_sound(key, text, wanted)) return refuse(problem, key.name, wanted, text);
    values.given[index] = text;
  }
  return true;
}

std::string settings_document(const settings_values& values) {
  std::string out = "{";
  auto member = [&](const std::string& name, const std::string& value) {
    out += (out.size() > 1 ? ",\r\n  " : "\r\n  ") + json_quoted(name) + ": " + value;
  };
  for (int i = 0; i < setting_count; i++) {
    const setting_key& key = setting_keys[i];
    if (values.given[i] || key.default_text) member(key.name, json_quoted(values.given[i].value_or(key.default_text)));
  }
  for (const auto& [name, value] : values.others) member(name, json_compact(value));
  return out + "\r\n}";
}
