#pragma once
// The launcher settings as a settings file and the command line fill them
// (their keys, defaults and kinds: payload/settings_keys.h), and the
// document written into the payload, whose values are all JSON strings
// because the launcher reads every value as text.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "payload/json_text.h"
#include "payload/settings_keys.h"

struct settings_values {
  // None: the default, or for a key without one (the launcher's VirtualHost,
  // the app's name and version) no member at all.
  std::array<std::optional<std::string>, setting_count> given;
  std::optional<std::string>& virtual_host() { return given[virtual_host_setting]; }
  const std::optional<std::string>& virtual_host() const { return given[virtual_host_setting]; }
  std::optional<std::string>& app_name() { return given[app_name_setting]; }
  std::optional<std::string>& app_version() { return given[app_version_setting]; }
  // Members of a settings file that are not launcher settings, passed on as
  // they are.
  std::vector<std::pair<std::string, json_node>> others;
};

// Whether the launchers read the text as it is meant: a number whole and in
// range, a switch as exactly 1 or 0. False with what the setting wants.
bool setting_text_is_sound(const setting_key& key, std::string_view text, std::string& wants);

// Takes the members of a settings file's root object. A number is taken as
// the text it was written with and true/false as "1"/"0" for the switches,
// because the launcher would read any value but a string as the empty text,
// that is 0; null leaves the default. Each value must then be one the
// launcher reads as meant (setting_text_is_sound), VirtualHost a host name
// the launcher accepts, AppVersion a version: anything else is a problem
// that names the key, the value and what it wants. Unknown keys are kept,
// each with a warning that names it and the nearest known key.
bool take_settings_file(const json_node& root, settings_values& values, std::vector<std::string>& warnings,
                        std::string& problem);

// The document written into the payload: every key with its value or its
// default (a key without one only with a value), then the other members, one
// member per line with CR LF.
std::string settings_document(const settings_values& values);
