#include "options.h"

#include "app_identity.h"
#include "nearest_name.h"
#include "payload/entry_names.h"
#include "payload/virtual_host.h"

// WAPP_VERSION is the project's version, given by the build.
const char version_text[] =
    "wapp-pack " WAPP_VERSION "\n"
    "MIT licence: LICENSE. The licences of the libraries built into wapp-pack\n"
    "and the launchers: THIRD_PARTY_NOTICES. Both come beside the README in\n"
    "every release archive and in the npm package.\n";

const char usage_text[] =
    "Usage: wapp-pack [APP_DIR] [-o OUT] [options]\n"
    "       wapp-pack --inspect FILE [--list]\n"
    "       wapp-pack dev [APP_DIR] [--dev-url URL [--dev-command CMD]]\n"
    "       wapp-pack keygen FILE\n"
    "       wapp-pack publish PROGRAM... --key FILE -o DIR\n"
    "\n"
    "Packs the web app in APP_DIR (an index.html and everything beside it) into\n"
    "one program, for Windows when OUT ends in .exe and for Linux when it does\n"
    "not: a copy of the launcher with the settings and a zip of the folder\n"
    "appended.\n"
    "\n"
    "The project config is wapp.config.json in the current folder, or else the\n"
    "\"wapp\" key of its package.json (--config FILE names another). Its keys are\n"
    "the long options below in camelCase, with \"app\" for APP_DIR: {\"app\":\n"
    "\"dist\", \"output\": \"MyApp.exe\", \"virtualHost\": \"app.wapp\", \"exclude\":\n"
    "[\"*.map\"], \"resizable\": true}. Paths in it are relative to its folder;\n"
    "what the command line gives wins over it. The app's name, version and\n"
    "description default to those of the package.json beside the config.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT      the program to write; its folder is made, an existing\n"
    "                        one is replaced\n"
    "  --target SYSTEM       windows, linux or both (OUT.exe and OUT from one run);\n"
    "                        default: as OUT is named\n"
    "  --launcher FILE       the launcher to copy (default: launcher.exe beside\n"
    "                        wapp-pack, or launcher for Linux); a packed one is\n"
    "                        repacked, not stacked\n"
    "  --strip-signature     repack a signed launcher, without its signature\n"
    "                        (otherwise refused: sign after packing)\n"
    "  --config FILE         the project config (default: see above)\n"
    "  --settings FILE       a JSON settings document; the options below override it\n"
    "  --app-name NAME       the app's name: the program's ProductName and AppName,\n"
    "                        and the title's default (default: package.json's\n"
    "                        productName or name)\n"
    "  --app-version V       up to four numbers, 1.2.3 or 1.2.3-beta.1: the\n"
    "                        program's version (default: package.json's version)\n"
    "  --description TEXT    the program's FileDescription (default: package.json's\n"
    "                        description, else the app's name)\n"
    "  --company TEXT        the program's CompanyName\n"
    "  --copyright TEXT      the program's LegalCopyright\n"
    "  --title TEXT          WindowTitle (default: the app's name, else the <title>\n"
    "                        of index.html, else \"Mi App\")\n"
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
    "  --devtools            DevTools \"1\": the browser's developer tools (Inspect\n"
    "                        in the context menu; F12 on Windows)\n"
    "  --single-instance     SingleInstance \"1\": a second start brings the\n"
    "                        running window to the front instead\n"
    "  --remember-window     RememberWindow \"1\": the window opens where and as\n"
    "                        large as it was last closed\n"
    "  --page-title          PageTitle \"1\": the window's title follows the\n"
    "                        page's document.title (the packed title until the\n"
    "                        page sets one)\n"
    "  --close-to-tray       CloseToTray \"1\": while the app shows a tray icon\n"
    "                        (wapp.tray), the close box hides the window; the\n"
    "                        tray menu's Show and Quit bring it back or end it\n"
    "  --app-id ID           AppId: the app's identity, under which its stored\n"
    "                        data and its single instance are kept, whatever\n"
    "                        the program's file is called (default: made from\n"
    "                        package.json's name, else the title; a-z 0-9 . - _)\n"
    "  --permissions LIST    Permissions: what the app's own pages may use, as\n"
    "                        KIND=CHOICE pairs joined by commas (config: an\n"
    "                        object); kinds camera, microphone, geolocation,\n"
    "                        notifications, clipboard-read; choices allow, deny,\n"
    "                        ask (default: ask, a question naming the app)\n"
    "  --update-url URL      UpdateURL: the https:// address of the folder that\n"
    "                        wapp-pack publish fills; window.wapp.update takes\n"
    "                        new versions from it (http:// on 127.0.0.1, ::1\n"
    "                        or localhost alone, to try them); needs a version\n"
    "  --update-key FILE.pub UpdateKey: the public key of wapp-pack keygen that\n"
    "                        the releases must be signed with (with --update-url)\n"
    "  --dev-url URL         wapp-pack dev: the dev server's address (say\n"
    "                        http://localhost:5173/); without it dev serves\n"
    "                        APP_DIR as it is on disk and reloads on changes\n"
    "  --dev-command CMD     wapp-pack dev: what starts the dev server, run by\n"
    "                        the shell in the config's folder (npx vite)\n"
    "  --dev-wait SECONDS    wapp-pack dev: how long to wait for the dev server\n"
    "                        to answer (default 60)\n"
    "  --virtual-host NAME   VirtualHost: the host the app is served from,\n"
    "                        https://NAME/ (on Linux wapp://NAME/); letters,\n"
    "                        digits, hyphens and dots, written in lower case\n"
    "                        (default: app.wapp; the app's stored data belongs\n"
    "                        to it, so keep it from one version to the next)\n"
    "  --file-url            no VirtualHost: open the app from file://, where\n"
    "                        the browser refuses module scripts, fetch and\n"
    "                        workers (and the app's stored data lies apart)\n"
    "  --icon FILE           the program's icon: an .ico, or a square PNG of\n"
    "                        256x256 or more from which every size is made (a\n"
    "                        Linux program's window shows the largest)\n"
    "                        (repeatable: PNGs of other sizes are used for theirs)\n"
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
    "  --list                with --inspect: every entry (else at most 50, and\n"
    "                        the archive's folders with their counts and sizes)\n"
    "  -h, --help            this text\n"
    "  -v, -V, --version     the version\n"
    "\n"
    "Updates:\n"
    "  wapp-pack keygen FILE   a new key pair: FILE, the secret key that signs\n"
    "                          releases (keep it out of the repository), and\n"
    "                          FILE.pub, the public key to pack\n"
    "  wapp-pack publish PROGRAM... --key FILE -o DIR [--notes TEXT|--notes-file F]\n"
    "                          copies the programs of one app and version into\n"
    "                          DIR with update.json and its signature,\n"
    "                          update.json.sig: DIR goes at the update address\n"
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
    "Exit status:\n"
    "  0    done; --inspect: the payload is sound\n"
    "  1    a write failed; --inspect: a damaged payload, or one the launcher\n"
    "       would read otherwise (values it misreads, entries it skips)\n"
    "  2    refused, nothing written: an unknown option or config key, or a\n"
    "       value the launcher would misread (the nearest name or the values\n"
    "       wanted are said), an APP_DIR that does not exist or is a file, a\n"
    "       launcher, icon, settings or config file that cannot be used, a\n"
    "       --target the output's name contradicts, a file that cannot be read\n"
    "  3    --inspect: not a packed app (a file without a payload)\n"
    "  130  interrupted by Ctrl+C (143: SIGTERM; on Windows 0xC000013A): the\n"
    "       half-written output is removed\n";

static_assert(longest_entry_name == 157 && longest_temporary_folder == 80, "the usage text and the README name them");

namespace {

// What an option does with its value. A problem is what follows the
// option's name in the message: "wants ..., not \"...\"".
using apply_fn = bool (*)(pack_options&, const std::string& value, std::string& problem);

enum option_flags : unsigned {
  command_line_only = 1,  // not a config key: what the run does rather than what it packs
  repeatable = 2,
  path_value = 4,
};

struct option_rule {
  const char* name;
  const char* short_name;
  bool takes_value;
  apply_fn apply;
  unsigned flags = 0;
};

std::string quoted(const std::string& value) { return "\"" + value + "\""; }

bool wants(std::string& problem, const std::string& what, const std::string& value) {
  problem = "wants " + what + ", not " + quoted(value);
  return false;
}

bool set_text(std::optional<std::string>& field, const std::string& value, std::string& problem) {
  if (value.empty()) {
    problem = "wants a text";
    return false;
  }
  field = value;
  return true;
}

const option_rule option_table[] = {
    {"--output", "-o", true, [](pack_options& o, const std::string& v, std::string&) { return o.output = v, true; },
     path_value},
    {"--target", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v == "windows") o.targets = {program_kind::windows};
       else if (v == "linux") o.targets = {program_kind::linux_elf};
       else if (v == "both") o.targets = {program_kind::windows, program_kind::linux_elf};
       else return wants(p, "windows, linux or both", v);
       return true;
     }},
    {"--launcher", nullptr, true, [](pack_options& o, const std::string& v, std::string&) { return o.launcher = v, true; },
     path_value},
    {"--strip-signature", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.strip_signature = true, true; }},
    {"--config", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) { return o.config_file = v, true; }, command_line_only},
    {"--settings", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) { return o.settings_file = v, true; }, path_value},
    {"--app-name", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) { return set_text(o.app_name, v, p); }},
    {"--app-version", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       std::array<uint16_t, 4> numbers;
       if (!read_app_version(v, numbers)) return wants(p, app_version_wanted, v);
       o.app_version = v;
       return true;
     }},
    {"--description", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) { return set_text(o.description, v, p); }},
    {"--company", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) { return set_text(o.company, v, p); }},
    {"--copyright", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) { return set_text(o.copyright, v, p); }},
    {"--update-key", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) { return o.update_key_file = v, true; }, path_value},
    {"--dev-url", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       bool http = v.starts_with("http://") || v.starts_with("https://");
       if (!http || v.find_first_of(" \t\r\n\"<>\\#") != std::string::npos)
         return wants(p, "the dev server's http:// address, like http://localhost:5173/", v);
       o.dev_url = v;
       return true;
     }},
    {"--dev-command", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v.empty()) return wants(p, "the command that starts the dev server", v);
       o.dev_command = v;
       return true;
     }},
    {"--dev-wait", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       const bool digits = !v.empty() && v.size() <= 4 && v.find_first_not_of("0123456789") == std::string::npos;
       const int seconds = digits ? std::stoi(v) : 0;
       if (seconds < 1 || seconds > 3600) return wants(p, "a whole number of seconds from 1 to 3600", v);
       o.dev_wait = seconds;
       return true;
     }},
    {"--virtual-host", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (!is_virtual_host_name(v.data(), v.size())) return wants(p, "a host name of letters, digits, hyphens and dots", v);
       o.virtual_host = v;
       return true;
     }},
    {"--file-url", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.file_url = true, true; }},
    {"--icon", nullptr, true, [](pack_options& o, const std::string& v, std::string&) { return o.icons.push_back(v), true; },
     repeatable | path_value},
    {"--exclude", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v.empty()) p = "wants a pattern";
       return v.empty() ? false : (o.excludes.push_back(v), true);
     },
     repeatable},
    {"--follow-links", nullptr, false,
     [](pack_options& o, const std::string&, std::string&) { return o.follow_links = true, true; }},
    {"--level", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       if (v.size() != 1 || v[0] < '0' || v[0] > '9') return wants(p, "a digit from 0 to 9", v);
       o.level = v[0] - '0';
       return true;
     }},
    // How many threads compress changes when the pack is done, not its bytes.
    {"--threads", nullptr, true,
     [](pack_options& o, const std::string& v, std::string& p) {
       const bool digits = !v.empty() && v.size() <= 3 && v.find_first_not_of("0123456789") == std::string::npos;
       const int threads = digits ? std::stoi(v) : 0;
       if (threads < 1 || threads > 256) return wants(p, "a whole number from 1 to 256", v);
       o.threads = threads;
       return true;
     },
     command_line_only},
    {"--quiet", "-q", false, [](pack_options& o, const std::string&, std::string&) { return o.quiet = true, true; },
     command_line_only},
    {"--inspect", nullptr, true,
     [](pack_options& o, const std::string& v, std::string&) {
       o.command = tool_command::inspect;
       o.inspect_file = v;
       return true;
     },
     command_line_only},
    {"--list", nullptr, false, [](pack_options& o, const std::string&, std::string&) { return o.list = true, true; },
     command_line_only},
    {"--help", "-h", false,
     [](pack_options& o, const std::string&, std::string&) { return o.command = tool_command::help, true; },
     command_line_only},
    {"--version", "-V", false,
     [](pack_options& o, const std::string&, std::string&) { return o.command = tool_command::version, true; },
     command_line_only},
};

// Second short names, for what people type out of habit.
const std::pair<const char*, const char*> option_aliases[] = {{"-v", "--version"}};

std::vector<known_option> build_known_options() {
  std::vector<known_option> all;
  int index = 0;
  for (const auto& rule : option_table) {
    bool config = !(rule.flags & command_line_only);
    all.push_back({rule.name, rule.short_name ? rule.short_name : "", config ? camel_case_of(rule.name) : "",
                   rule.takes_value, (rule.flags & repeatable) != 0, (rule.flags & path_value) != 0, index++, -1});
  }
  for (int i = 0; i < setting_count; i++) {
    const setting_key& key = setting_keys[i];
    if (key.option) all.push_back({key.option, "", camel_case_of(key.option), !key.option_value, false, false, -1, i});
  }
  return all;
}

std::vector<name_choice> option_choices() {
  std::vector<name_choice> choices;
  for (const auto& option : known_options()) {
    choices.push_back({option.name, option.name});
    if (option.setting >= 0) choices.push_back({setting_keys[option.setting].name, option.name});
  }
  return choices;
}

}  // namespace

std::string camel_case_of(std::string_view long_name) {
  std::string key;
  bool upper = false;
  for (char c : long_name.substr(long_name.find_first_not_of('-'))) {
    if (c == '-') {
      upper = true;
      continue;
    }
    key += upper && c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    upper = false;
  }
  return key;
}

const std::vector<known_option>& known_options() {
  static const std::vector<known_option> all = build_known_options();
  return all;
}

const known_option* option_named(std::string_view name) {
  for (const auto& [alias, long_name] : option_aliases)
    if (name == alias) name = long_name;
  for (const auto& option : known_options())
    if (name == option.name || (!option.short_name.empty() && name == option.short_name)) return &option;
  return nullptr;
}

const known_option* option_of_config_key(std::string_view key) {
  for (const auto& option : known_options())
    if (!option.config_key.empty() && key == option.config_key) return &option;
  return nullptr;
}

std::string option_suggestion(std::string_view given) {
  std::string name = nearest_name(given, option_choices());
  return name.empty() ? " (see --help)" : " (did you mean " + name + "?)";
}

std::string config_key_suggestion(std::string_view given) {
  std::vector<name_choice> choices = {{"app", "app"}, {"appDir", "app"}};
  for (const auto& option : known_options()) {
    if (option.config_key.empty()) continue;
    choices.push_back({option.config_key, option.config_key});
    if (option.setting >= 0) choices.push_back({setting_keys[option.setting].name, option.config_key});
  }
  std::string key = nearest_name(given, choices);
  return key.empty() ? " (the keys are the long options in camelCase: see --help)" : " (did you mean \"" + key + "\"?)";
}

std::string setting_key_suggestion(std::string_view given) {
  std::vector<name_choice> choices;
  for (const auto& key : setting_keys) choices.push_back({key.name, key.name});
  // The options' and the config's names for the same settings.
  for (const auto& option : known_options())
    if (option.setting >= 0) choices.push_back({option.config_key, setting_keys[option.setting].name});
  choices.push_back({"virtualHost", virtual_host_key});
  std::string key = nearest_name(given, choices);
  return key.empty() ? "" : " (did you mean \"" + key + "\"?)";
}

bool options_exclude_each_other(const known_option& a, const known_option& b) {
  auto pair = [&](std::string_view x, std::string_view y) { return a.name == x && b.name == y; };
  return pair("--virtual-host", "--file-url") || pair("--file-url", "--virtual-host");
}

bool apply_option(pack_options& options, const option_value& given, std::string& problem) {
  const known_option& option = *given.option;
  bool done = true;
  if (option.rule >= 0) {
    done = option_table[option.rule].apply(options, given.value, problem);
  } else {
    const setting_key& key = setting_keys[option.setting];
    std::string wanted;
    if (key.option_value) options.overrides[option.setting] = key.option_value;
    else if (!setting_text_is_sound(key, given.value, wanted)) done = wants(problem, wanted, given.value);
    else options.overrides[option.setting] = given.value;
  }
  if (!done) problem = given.origin + " " + problem;
  if (done && option.name == "--target") options.target_origin = given.origin;
  if (done && option.name == "--output") options.output_origin = given.origin;
  if (done && option.name == "--icon") options.icon_origin = given.origin;
  return done;
}

bool read_command_line(const std::vector<std::string>& args, std::vector<option_value>& values,
                       std::vector<std::string>& operands, std::string& problem) {
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
    std::string name = arg.substr(0, equals);
    const known_option* option = option_named(name);
    if (!option) {
      problem = "unknown option " + name + option_suggestion(name);
      return false;
    }
    std::string value;
    if (equals != std::string::npos) {
      if (!option->takes_value) {
        problem = option->name + " takes no value";
        return false;
      }
      value = arg.substr(equals + 1);
    } else if (option->takes_value) {
      if (i + 1 >= args.size()) {
        problem = option->name + " wants a value";
        return false;
      }
      value = args[++i];
    }
    values.push_back({option, value, option->name});
  }
  return true;
}
