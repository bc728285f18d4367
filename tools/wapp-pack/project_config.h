#pragma once
// The project config: wapp.config.json in the current folder, or else the
// "wapp" key of the package.json there, or the file --config names; and
// the package.json beside it, whose name, version and description are the
// app's own unless the options say otherwise.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "options.h"
#include "payload/json_text.h"

struct project_config {
  std::filesystem::path folder;  // what its paths are relative to, and where package.json lies
  std::string label;             // "wapp.config.json", "package.json \"wapp\"": messages name it so; empty: none
  json_node config;              // an object; no members without a config
  std::optional<json_node> package;  // package.json's root object, where there is one
};

// A JSON file as people write them: a UTF-8 byte-order mark allowed. False
// with "LABEL: line L, column C: what" for text that does not parse.
// A settings document or a project config: a regular file of at most 1 MiB.
constexpr uint64_t json_file_limit = (uint64_t)1 << 20;
bool read_json_file(const std::filesystem::path& path, const std::string& label, json_node& root, std::string& problem);

// Finds and reads the config. config_file is --config's (relative to
// working_dir), or empty to look in working_dir (an empty one: the current
// folder). False for a config that
// cannot be read, does not parse or is not an object.
bool read_project_config(const std::string& config_file, const std::filesystem::path& working_dir,
                         project_config& project, std::vector<std::string>& warnings, std::string& problem);

// The config's keys as option values (paths made relative to its folder),
// and its "app". False for an unknown key, with the nearest one named, or a
// value of the wrong kind.
bool config_option_values(const project_config& project, std::vector<option_value>& values,
                          std::optional<std::string>& app_dir, std::string& problem);
