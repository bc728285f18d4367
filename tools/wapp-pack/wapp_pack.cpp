#include "wapp_pack.h"

#include <algorithm>
#include <cstdio>

#include "dev_command.h"
#include "update_commands.h"

int refused(const tool_context& context, const std::string& problem) {
  context.err << "wapp-pack: " << problem << "\n";
  return exit_refused;
}

int failed(const tool_context& context, const std::string& problem) {
  context.err << "wapp-pack: " << problem << "\n";
  return exit_failed;
}

namespace {

// The config's values first, each unless the command line gives the same
// option (or one that excludes it), then the command line's.
bool settle_options(const std::vector<option_value>& command_line, const std::vector<option_value>& config,
                    pack_options& options, std::string& problem) {
  for (const auto& value : config) {
    bool overridden = std::any_of(command_line.begin(), command_line.end(), [&](const option_value& given) {
      return given.option == value.option || options_exclude_each_other(*given.option, *value.option);
    });
    if (!overridden && !apply_option(options, value, problem)) return false;
  }
  for (const auto& value : command_line)
    if (!apply_option(options, value, problem)) return false;
  return true;
}

}  // namespace

std::string size_text(uint64_t bytes) {
  if (bytes < 1000) return std::to_string(bytes) + " B";
  const char* units[] = {"kB", "MB", "GB"};
  double value = (double)bytes / 1000;
  int unit = 0;
  while (value >= 1000 && unit < 2) value /= 1000, unit++;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

int run_wapp_pack(const std::vector<std::string>& args, const tool_context& context) {
  // Commands of their own come first; a folder of such a name is ./keygen.
  if (!args.empty() && args[0] == "keygen") return run_keygen({args.begin() + 1, args.end()}, context);
  if (!args.empty() && args[0] == "publish") return run_publish({args.begin() + 1, args.end()}, context);
  if (!args.empty() && args[0] == "dev") {
    std::vector<std::string> rest(args.begin() + 1, args.end());
    return run_project_command(rest, context, true);
  }
  return run_project_command(args, context, false);
}

int run_project_command(const std::vector<std::string>& args, const tool_context& context, bool dev) {
  std::vector<option_value> command_line, config;
  std::vector<std::string> operands, warnings;
  pack_options given;
  std::string problem;
  if (!read_command_line(args, command_line, operands, problem) || !settle_options(command_line, {}, given, problem))
    return refused(context, problem);
  switch (given.command) {
    case tool_command::help: context.out << usage_text; return exit_done;
    case tool_command::version: context.out << version_text; return exit_done;
    case tool_command::inspect:
      if (!operands.empty()) return refused(context, "--inspect takes no other operand than its file");
      return inspect_packed_file(given.inspect_file, given.list, context);
    case tool_command::pack: break;
  }
  if (given.list) return refused(context, "--list goes with --inspect");

  project_config project;
  std::optional<std::string> config_app;
  // An empty folder is the current one, and keeps the config's paths as short as they were written.
  if (!read_project_config(given.config_file, context.working_dir, project, warnings, problem) ||
      !config_option_values(project, config, config_app, problem))
    return refused(context, problem);
  for (const auto& warning : warnings) context.err << "wapp-pack: warning: " << warning << "\n";
  pack_options options;
  if (!settle_options(command_line, config, options, problem)) return refused(context, problem);

  if (operands.size() > 1) return refused(context, "more than one APP_DIR given: " + operands[1]);
  if (!operands.empty()) options.app_dir = operands[0];
  else if (config_app) options.app_dir = *config_app;
  else if (dev) options.app_dir.clear();  // a dev server needs no folder; run_dev says when one is missing
  else if (!project.label.empty()) return refused(context, "no APP_DIR given, nor an \"app\" in " + project.label);
  else
    return refused(context, "no APP_DIR given, and no wapp.config.json or package.json with a \"wapp\" key here "
                            "to name it (see --help)");
  if (dev) return run_dev(options, project, context);
  if (options.virtual_host && options.file_url)
    return refused(context, "--virtual-host and --file-url cannot both be given");
  if (options.output.empty())
    return refused(context, "no output given: -o OUT.exe for Windows, -o OUT for Linux" +
                                std::string(project.label.empty() ? "" : " (or \"output\" in " + project.label + ")"));
  return pack_app(options, project, context);
}
