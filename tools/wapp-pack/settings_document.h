#pragma once
// The ten launcher settings: their keys, defaults and kinds, how a settings
// file and the command line fill them, and the document written into the
// payload, whose values are all JSON strings because the launcher reads
// every value as text.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "json_reader.h"

enum class setting_kind { size, text, switch_on_when_one, switch_on_when_not_zero };

struct setting_key {
  const char* name;
  const char* default_text;
  setting_kind kind;
  const char* meaning;
};

constexpr int setting_count = 10;
// In the order the launcher reads them.
extern const std::array<setting_key, setting_count> setting_keys;

int setting_index(std::string_view name);

struct settings_values {
  std::array<std::optional<std::string>, setting_count> given;  // none: the default
  // The launcher's VirtualHost key, which has no default: none leaves it out.
  std::optional<std::string> virtual_host;
  // Members of a settings file that are not launcher settings, passed on as
  // they are.
  std::vector<std::pair<std::string, json_node>> others;
};

constexpr char virtual_host_key[] = "VirtualHost";

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
