#include "options.h"

#include <string_view>

#include "payload/entry_names.h"
#include "payload/virtual_host.h"

// WAPP_VERSION is the project's version, given by the build.
const char version_text[] =
    "wapp-pack " WAPP_VERSION "\n"
    "MIT licence: LICENSE. The licences of the libraries built into wapp-pack\n"
    "and the launchers: THIRD_PARTY_NOTICES. Both come beside the README in\n"
    "every release archive and in the npm package.\n";

const char usage_text[] =
    "Usage: wapp-pack APP_DIR -o OUT.exe [options]\n"
    "       wapp-pack APP_DIR -o OUT --target linux [options]\n"
    "       wapp-pack --inspect FILE\n"
    "\n"
    "Packs the web app in APP_DIR (an index.html and everything beside it) into\n"
    "one executable, for Windows or for Linux: a copy of the launcher with the\n"
    "settings and a zip of the folder appended.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT.exe  the executable to write; an existing one is replaced\n"
    "  --target SYSTEM       windows or linux: the system to pack for (default:\n"
    "                        windows, or the one the --launcher given is for)\n"
    "  --launcher FILE       the launcher to copy (default: launcher.exe beside\n"
    "                        wapp-pack, or launcher for --target linux); a\n"
    "                        packed one is repacked, not stacked\n"
    "  --strip-signature     repack a signed launcher, without its signature\n"
    "                        (otherwise refused: sign after packing)\n"
    "  --settings FILE       a JSON settings file; the options below override it\n"
    "  --title TEXT          WindowTitle (default \"Mi App\")\n"
    "  --width N             WindowWidth, 1 to 32767 (default 800)\n"
    "  --height N            WindowHeight, 1 to 32767 (default 600)\n"
    "  --start-url URL       StartURL, shown when the payload carries no archive;\n"
    "                        with it APP_DIR needs no index.html\n"
    "  --always-on-top       AlwaysOnTop \"1\"\n"
    "  --fullscreen          Fullscreen \"1\"\n"
    "  --frameless           Frameless \"1\"\n"
    "  --resizable           Resizable \"1\"\n"
    "  --no-minimize         ShowMinimizeButton \"0\"\n"
    "  --no-maximize         ShowMaximizeButton \"0\"\n"
    "  --single-instance     SingleInstance \"1\": a second start brings the\n"
    "                        running window to the front instead\n"
    "  --remember-window     RememberWindow \"1\": the window opens where and as\n"
    "                        large as it was last closed\n"
    "  --virtual-host NAME   VirtualHost: the host the app is served from,\n"
    "                        https://NAME/ (on Linux wapp://NAME/); letters,\n"
    "                        digits, hyphens and dots, written in lower case\n"
    "                        (default: app.wapp; the app's stored data belongs\n"
    "                        to it, so keep it from one version to the next)\n"
    "  --file-url            no VirtualHost: open the app from file://, where\n"
    "                        the browser refuses module scripts, fetch and\n"
    "                        workers (and the app's stored data lies apart)\n"
    "  --icon FILE.ico       replace icon 1 of the executable by the file's images\n"
    "                        (Windows only: a Linux program has no icons)\n"
    "  --exclude GLOB        leave out matching files and folders (repeatable);\n"
    "                        without \"/\" GLOB matches names at any depth, with\n"
    "                        \"/\" the path from APP_DIR; * ? and ** (across \"/\")\n"
    "  --follow-links        pack what symbolic links lead to outside APP_DIR:\n"
    "                        copies of outside files go into the program (links\n"
    "                        within APP_DIR are always packed as copies)\n"
    "  --level N             deflate level, 0 (stored) to 9 (default 6)\n"
    "  --threads N           compress on N threads at once (default: as many as\n"
    "                        the machine runs); the output is the same for any N\n"
    "  -q, --quiet           no progress and no summary\n"
    "  --inspect FILE        show the settings and files FILE carries, check them\n"
    "  -h, --help            this text\n"
    "  --version             the version\n"
    "\n"
    "Names the launcher would not unpack as they are refuse the pack, each one\n"
    "listed: characters Windows does not allow (<>:\"\\|?*, control characters,\n"
    "a dot or space at the end), device names (aux.js, com1.css, nul.txt, ...),\n"
    "webapp.zip and webapp.lock at the root, names that differ only in letter\n"
    "case, names that are not UTF-8, and paths longer than 157 characters: the\n"
    "launcher's paths hold 260, Windows makes no folder past 247, and the app\n"
    "is unpacked under the temporary folder (up to 80 characters planned for)\n"
    "in a folder of its own (10). Rename them, or --exclude them.\n"
    "\n"
    "A symbolic link is packed as a copy of what it leads to when that lies in\n"
    "APP_DIR (the summary lists each). Links that lead out of APP_DIR (unless\n"
    "--follow-links), to nothing, or in a loop refuse the pack, each listed\n"
    "with its target.\n"
    "\n"
    "Exit status: 0 done; 1 a write failed; 2 refused (bad usage or input),\n"
    "nothing written. --inspect: 0 sound payload, 1 none, a damaged one, or\n"
    "entries the launcher would skip.\n";

static_assert(longest_entry_name == 157 && longest_temporary_folder == 80, "the usage text and the README name them");

namespace {

using apply_fn = bool (*)(pack_options&, const std::string& value, std::string& problem);

struct option_rule {
  const char* name;
  const char* short_name;
  bool takes_value;
  apply_fn apply;
};

bool whole_number(const std::string& text, long lowest, long highest, long& number) {
  if (text.empty() || text.size() > 9) return false;
  number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return number >= lowest && number <= highest;
}

bool set_size(pack_options& o, int index, const char* option, const std::string& value, std::string& problem) {
  long number = 0;
  if (!whole_number(value, 1, 32767, number)) {
    problem = std::string(option) + " wants a whole number from 1 to 32767, not \"" + value + "\"";
    return false;
  }
  o.overrides[index] = std::to_string(number);
  return true;
}

// The settings' options, as their table names them: a switch sets its
// fixed value, the sizes want a number, the texts take any value.
int setting_of_option(std::string_view name) {
  for (int i = 0; i < setting_count; i++)
    if (name == setting_keys[i].option) return i;
  return -1;
}

bool apply_setting(pack_options& o, int index, const std::string& value, std::string& problem) {
  const setting_key& key = setting_keys[index];
  if (key.option_value) return o.overrides[index] = key.option_value, true;
  if (key.kind == setting_kind::number) return set_size(o, index, key.option, value, problem);
  o.overrides[index] = value;
  return true;
}

const option_rule option_table[] = {
    {"--output", "-o", true, [](pack_options& o, const std::string& v, std::string&) { return o.output = v, true; }},
    {"--launcher", nullptr, true, [](pack_options& o, const std::string& v, std::string&) { return o.launcher = v, true; }},
    {"--settings", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) { return o.settings_file = v, true; }},
    {"--virtual-host", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (!is_virtual_host_name(v.data(), v.size())) {
         p = "--virtual-host wants a host name of letters, digits, hyphens and dots, not \"" + v + "\"";
         return false;
       }
       o.virtual_host = v;
       return true;
     }},
    {"--file-url", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.file_url = true, true; }},
    {"--target", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v != "windows" && v != "linux") {
         p = "--target wants windows or linux, not \"" + v + "\"";
         return false;
       }
       o.target = v == "linux" ? program_kind::linux_elf : program_kind::windows;
       return true;
     }},
    {"--icon", nullptr, true, [](pack_options& o, const std::string& v, std::string&) { return o.icon = v, true; }},
    {"--exclude", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v.empty()) p = "--exclude wants a pattern";
       return v.empty() ? false : (o.excludes.push_back(v), true);
     }},
    {"--follow-links", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.follow_links = true, true; }},
    {"--level", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       long level = 0;
       if (!whole_number(v, 0, 9, level) || v.size() != 1) {
         p = "--level wants a digit from 0 to 9, not \"" + v + "\"";
         return false;
       }
       o.level = (int)level;
       return true;
     }},
    {"--threads", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       long threads = 0;
       if (!whole_number(v, 1, 256, threads)) {
         p = "--threads wants a whole number from 1 to 256, not \"" + v + "\"";
         return false;
       }
       o.threads = (int)threads;
       return true;
     }},
    {"--strip-signature", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.strip_signature = true, true; }},
    {"--quiet", "-q", false, [](pack_options& o, const std::string&, std::string&) { return o.quiet = true, true; }},
    {"--inspect", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) {
       o.command = tool_command::inspect;
       o.inspect_file = v;
       return true;
     }},
    {"--help", "-h", false,
     [](pack_options& o, const std::string&, std::string&) { return o.command = tool_command::help, true; }},
    {"--version", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.command = tool_command::version, true; }},
};

const option_rule* find_option(std::string_view name) {
  for (const auto& rule : option_table) {
    if (name == rule.name || (rule.short_name && name == rule.short_name)) return &rule;
  }
  return nullptr;
}

}  // namespace

bool parse_options(const std::vector<std::string>& args, pack_options& options, std::string& problem) {
  std::vector<std::string> operands;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    // "--name=value" as well as "--name value".
    size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    std::string_view name = std::string_view(arg).substr(0, equals);
    const option_rule* rule = find_option(name);
    int setting = rule ? -1 : setting_of_option(name);
    if (!rule && setting < 0) {
      problem = "unknown option " + arg.substr(0, equals) + " (see --help)";
      return false;
    }
    const std::string canonical = rule ? rule->name : setting_keys[setting].option;
    const bool takes_value = rule ? rule->takes_value : !setting_keys[setting].option_value;
    std::string value;
    if (equals != std::string::npos) {
      if (!takes_value) {
        problem = canonical + " takes no value";
        return false;
      }
      value = arg.substr(equals + 1);
    } else if (takes_value) {
      if (i + 1 >= args.size()) {
        problem = canonical + " wants a value";
        return false;
      }
      value = args[++i];
    }
    if (!(rule ? rule->apply(options, value, problem) : apply_setting(options, setting, value, problem))) return false;
  }
  if (options.command == tool_command::help || options.command == tool_command::version) return true;
  if (options.command == tool_command::inspect) {
    if (operands.empty()) return true;
    problem = "--inspect takes no other operand than its file";
    return false;
  }
  if (operands.size() != 1) {
    problem = operands.empty() ? "no APP_DIR given (see --help)" : "more than one APP_DIR given: " + operands[1];
    return false;
  }
  if (options.virtual_host && options.file_url) {
    problem = "--virtual-host and --file-url cannot both be given";
    return false;
  }
  options.app_dir = operands[0];
  if (options.output.empty()) {
    problem = "no output given: -o OUT.exe";
    return false;
  }
  return true;
}
