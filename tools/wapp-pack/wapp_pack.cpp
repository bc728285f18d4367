#include "wapp_pack.h"

#include <cstdio>

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
  pack_options options;
  std::string problem;
  if (!parse_options(args, options, problem)) {
    context.err << "wapp-pack: " << problem << "\n";
    return exit_refused;
  }
  switch (options.command) {
    case tool_command::help: context.out << usage_text; return exit_done;
    case tool_command::version: context.out << version_text; return exit_done;
    case tool_command::inspect: return inspect_packed_file(options.inspect_file, context);
    case tool_command::pack: break;
  }
  return pack_app(options, context);
}
