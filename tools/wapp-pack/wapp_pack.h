#pragma once
// wapp-pack as a function of its arguments, so that tests run it in-process
// exactly as the program does.
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "options.h"
#include "payload/trailer.h"
#include "project_config.h"

constexpr int exit_done = 0;
constexpr int exit_failed = 1;   // a write failed, or --inspect found a payload that is not sound
constexpr int exit_refused = 2;  // bad usage or input; nothing was written
constexpr int exit_not_packed = 3;  // --inspect: the file carries no payload

struct tool_context {
  std::filesystem::path program_dir;  // where the default launchers lie
  std::ostream& out;
  std::ostream& err;
  bool terminal;  // err is a terminal: progress may be shown on it
  int64_t part_limit = payload_part_limit;  // largest JSON text or archive
  std::filesystem::path working_dir = {};   // where the config is looked for; empty: the current folder
};

// The problem said as "wapp-pack: PROBLEM" on the error stream, and the
// exit status that goes with it.
int refused(const tool_context& context, const std::string& problem);  // exit_refused
int failed(const tool_context& context, const std::string& problem);   // exit_failed

int run_wapp_pack(const std::vector<std::string>& args, const tool_context& context);
// Packing, or with dev wapp-pack dev, from the command line and the project config.
int run_project_command(const std::vector<std::string>& args, const tool_context& context, bool dev);
int pack_app(const pack_options& options, const project_config& project, const tool_context& context);
int inspect_packed_file(const std::string& path, bool list_all, const tool_context& context);

// "812 B", "12.3 kB", "4.5 MB": sizes for people.
std::string size_text(uint64_t bytes);
