#pragma once
// The command line: what to pack, where, and the settings it overrides.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "payload/program_kind.h"
#include "settings_document.h"

enum class tool_command { pack, inspect, help, version };

struct pack_options {
  tool_command command = tool_command::pack;
  std::string app_dir;  // UTF-8 paths, as given
  std::string output;
  std::string launcher;  // empty: the launcher of the target beside the packer
  // --target: which launcher beside the packer is the default, and what
  // --launcher must be; none: Windows by default, else as --launcher is.
  std::optional<program_kind> target;
  std::string settings_file;
  std::string icon;
  std::string inspect_file;
  std::array<std::optional<std::string>, setting_count> overrides;
  std::vector<std::string> excludes;
  bool follow_links = false;  // pack what links lead to outside the app folder
  // --virtual-host NAME, or --file-url (no VirtualHost at all); neither:
  // the settings file's, else the default name.
  std::optional<std::string> virtual_host;
  bool file_url = false;
  int level = 6;
  int threads = 0;  // compressing entries at once; 0: as many as the machine runs
  bool quiet = false;
  bool strip_signature = false;  // repack a signed launcher without its signature
};

extern const char version_text[];
extern const char usage_text[];

// False with a one-line problem for an unknown option, a missing or bad
// value, or a missing operand.
bool parse_options(const std::vector<std::string>& args, pack_options& options, std::string& problem);
