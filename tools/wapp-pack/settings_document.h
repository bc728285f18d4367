#pragma once
// The launcher settings as a settings file and the command line fill them
// (their keys, defaults and kinds: payload/settings_keys.h), and the
// document written into the payload, whose values are all JSON strings
// because the launcher reads every value as text.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "payload/json_text.h"
#include "payload/settings_keys.h"

struct settings_values {
  std::array<std::optional<std::string>, setting_count> given;  // none: the default
  // The launcher's VirtualHost key, which has no default: none leaves it out.
  std::optional<std::string> virtual_host;
  // Members of a settings file that are not launcher settings, passed on as
  // they are.
  std::vector<std::pair<std::string, json_node>> others;
};

// Takes the members of a settings file's root object. A number is taken as
// the text it was written with and true/false as "1"/"0" for the switches,
// because the launcher would read any value but a string as the empty text,
// that is 0; null leaves the default. VirtualHost must be a host name the
// launcher accepts, or null. Anything else is a problem.
bool take_settings_file(const json_node& root, settings_values& values, std::string& problem);

// The document written into the payload: every key with its value or its
// default, VirtualHost when there is one, then the other members, one member
// per line with CR LF.
std::string settings_document(const settings_values& values);
