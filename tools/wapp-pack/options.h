#pragma once
// The options: one table, read from the command line and from the project
// config alike (whose keys are the long names in camelCase: --virtual-host
// is virtualHost), and checked by the same code wherever they come from.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "payload/program_kind.h"
#include "settings_document.h"

enum class tool_command { pack, inspect, help, version };

struct pack_options {
  tool_command command = tool_command::pack;
  std::string app_dir;  // UTF-8 paths, as given (relative to the config's folder when they come from it)
  std::string output;
  std::string launcher;  // empty: the launcher of the target beside the packer
  // --target: the systems to pack for; empty: as the output is named.
  std::vector<program_kind> targets;
  std::string config_file;  // --config; empty: the one found in the current folder, if any
  std::string settings_file;
  std::vector<std::string> icons;  // one .ico, or PNGs of several sizes
  std::string inspect_file;
  bool list = false;  // --inspect lists every entry
  std::array<std::optional<std::string>, setting_count> overrides;
  // The app's own name and version and the version resource's texts; none:
  // from the settings file or package.json, where they give them.
  std::optional<std::string> app_name, app_version, description, company, copyright;
  std::vector<std::string> excludes;
  bool follow_links = false;  // pack what links lead to outside the app folder
  // --virtual-host NAME, or --file-url (no VirtualHost at all); neither:
  // the settings file's, else the default name.
  std::optional<std::string> virtual_host;
  bool file_url = false;
  std::string update_key_file;  // --update-key: the public key's file
  // wapp-pack dev: the dev server's address and what starts it, and how
  // long to wait for it (dev_command.h); dev: write the dev program.
  std::string dev_url, dev_command;
  int dev_wait = 60;
  bool dev = false;
  int level = 6;
  int threads = 0;  // compressing entries at once; 0: as many as the machine runs
  bool quiet = false;
  bool strip_signature = false;  // repack a signed launcher without its signature
  // Who set --target and --output, as a message names them: "--target",
  // "target in wapp.config.json".
  std::string target_origin, output_origin, icon_origin;
};

extern const char version_text[];
extern const char usage_text[];

// An option as the table knows it. Options that set a launcher setting come
// from payload/settings_keys.h; the others from the table in options.cpp.
struct known_option {
  std::string name;        // "--width"
  std::string short_name;  // "-o"; empty: none
  std::string config_key;  // "width"; empty: the command line only
  bool takes_value;
  bool repeatable;  // each use adds a value; in the config, a list
  bool path_value;  // in the config, relative to the config's folder
  int rule;         // its line in the table, or -1
  int setting;      // the setting it sets, or -1
};

const std::vector<known_option>& known_options();
// By long or short name; none for an unknown one.
const known_option* option_named(std::string_view name);
const known_option* option_of_config_key(std::string_view key);

// One value for one option, and who gave it as a message names them:
// "--width", or "wapp.config.json: width".
struct option_value {
  const known_option* option;
  std::string value;
  std::string origin;
};

// Applies one value; false with "ORIGIN wants ..., not "VALUE"".
bool apply_option(pack_options& options, const option_value& value, std::string& problem);

// Whether one of the two, given, leaves no room for the other: given on the
// command line, either takes the config's other one away.
bool options_exclude_each_other(const known_option& a, const known_option& b);

// The command line as values and operands, checked against the table.
// False with a one-line problem for an unknown option (the nearest one
// named) or a missing value.
bool read_command_line(const std::vector<std::string>& args, std::vector<option_value>& values,
                       std::vector<std::string>& operands, std::string& problem);

// What a message adds for a mistyped name: " (did you mean --title?)" for
// --titel, the nearest of the names meant for the same place.
std::string option_suggestion(std::string_view given);
std::string config_key_suggestion(std::string_view given);
std::string setting_key_suggestion(std::string_view given);

// "--virtual-host" → "virtualHost".
std::string camel_case_of(std::string_view long_name);
