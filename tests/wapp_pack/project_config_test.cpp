// The project config, package.json and settings documents through the
// packer: which source names the app and its window, what wins, and the
// exact message for every key or value that cannot be packed as meant.
#include <map>

#include "launcher-common/permission_policy.h"
#include "packer_test_support.h"
#include "payload/json_text.h"

namespace {

class ProjectConfig : public packer_test {
 protected:
  // The payload's settings: each member's text (or its JSON for others).
  std::map<std::string, std::string> settings_of(const fs::path& exe) {
    json_node root;
    json_text_error error;
    std::map<std::string, std::string> members;
    EXPECT_TRUE(parse_json_text(split_payload(read_bytes(exe)).json, root, error)) << error.message;
    for (const auto& [name, value] : root.members)
      members[name] = value.kind == json_kind::string ? value.text : json_compact(value);
    return members;
  }
};

TEST_F(ProjectConfig, SourcesOfTheNameVersionAndTitleAndEveryRefusal) {
  make_app("dist", {{"index.html", "<!doctype html><title>\n  Page &amp;\n Title </title><script>'<title>x'</script>"},
                    {"app.js", "1"},
                    {"app.js.map", "{}"}});
  write_bytes(dir / "launcher", linux_launcher_bytes());
  solid_png("icon.png", 256, 0x112233);
  const std::string settings = u(dir / "settings.json"), version_wanted =
      "a version of up to four numbers from 0 to 65535, such as 1.2.3 or 1.2.3-beta.1";
  struct config_case {
    const char* name;
    file_list files;  // written into the project's folder, dir
    std::vector<std::string> args;
    int status;
    std::string err;                                    // exactly
    std::vector<std::pair<std::string, std::string>> settings = {};  // members of the payload's; "-": absent
    std::string left_out = "";                                   // an entry the config excludes
  } cases[] = {
      {"package.json's \"wapp\" key, no folder given",
       {{"package.json", R"({"name": "hello-app", "productName": "Hello App", "version": "1.2.3",
            "wapp": {"app": "dist", "output": "out/App.exe", "width": 1024, "resizable": true,
                     "exclude": ["*.map"], "noMaximize": false}})"}},
       {}, exit_done, "",
       {{"WindowTitle", "Hello App"}, {"AppName", "Hello App"}, {"AppVersion", "1.2.3"}, {"AppId", "hello-app"},
        {"WindowWidth", "1024"},
        {"Resizable", "1"}, {"ShowMaximizeButton", "1"}},
       "app.js.map"},
      {"wapp.config.json before package.json, whose name and version count",
       {{"wapp.config.json", "\xEF\xBB\xBF{\"app\": \"dist\", \"output\": \"out/App.exe\", \"title\": \"Configured\"}"},
        {"package.json", R"({"name": "hello-app", "version": "2.0.0-beta.1", "wapp": {"width": 5}})"}},
       {}, exit_done, "wapp-pack: warning: package.json's \"wapp\" key is not read: wapp.config.json is the config\n",
       {{"WindowTitle", "Configured"}, {"AppName", "hello-app"}, {"AppVersion", "2.0.0-beta.1"}, {"WindowWidth", "800"}}},
      {"the page's own title when nothing names the app",
       {}, {u(dir / "dist"), "-o", u(dir / "out" / "App.exe")}, exit_done, "",
       {{"WindowTitle", "Page & Title"}, {"AppName", "-"}, {"AppVersion", "-"}}},
      {"the command line over the config",
       {{"package.json", R"({"productName": "Hello App",
            "wapp": {"app": "dist", "output": "out/App.exe", "title": "Config", "virtualHost": "a.wapp"}})"}},
       {"--title", "Options", "--app-version", "3.1", "--file-url"}, exit_done, "",
       {{"WindowTitle", "Options"}, {"AppName", "Hello App"}, {"AppVersion", "3.1"}, {"VirtualHost", "-"}}},
      {"--config names another file, whose paths start from its folder",
       {{"conf/wapp.json", R"({"app": "../dist", "output": "../out/App.exe", "appName": "Named"})"}},
       {"--config", "conf/wapp.json"}, exit_done, "", {{"WindowTitle", "Named"}, {"AppName", "Named"}}},
      {"a settings document's own name and title; an unknown key is carried",
       {{"settings.json", R"({"WindowTitle": "Doc title", "AppName": "Doc app", "title": "x"})"}},
       {u(dir / "dist"), "-o", u(dir / "out" / "App.exe"), "--settings", settings}, exit_done,
       "wapp-pack: warning: " + settings +
           ": unknown key \"title\" (did you mean \"WindowTitle\"?): the launcher ignores it (carried along as it is)\n",
       {{"WindowTitle", "Doc title"}, {"AppName", "Doc app"}, {"title", "x"}}},
      {"the config's icon goes into a Linux program too",
       {{"package.json", R"({"wapp": {"app": "dist", "icon": "icon.png"}})"}}, {"-o", u(dir / "out" / "app")},
       exit_done, ""},
      {"a config key spelt as the setting",
       {{"package.json", R"({"wapp": {"app": "dist", "output": "o.exe", "windowWidth": 1024}})"}}, {}, exit_refused,
       "wapp-pack: package.json \"wapp\": unknown key \"windowWidth\" (did you mean \"width\"?)\n"},
      {"a config key that is not one",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "version": "1.0"})"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: unknown key \"version\" (did you mean \"appVersion\"?)\n"},
      {"a config value that is not a size",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "width": "wide"})"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: width wants a whole number from 1 to 32767, not \"wide\"\n"},
      {"a config switch that is not true or false",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "fullscreen": "yes"})"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: fullscreen wants true or false, not \"yes\"\n"},
      {"the permissions as the config writes them",
       {{"package.json", R"({"wapp": {"app": "dist", "output": "out/App.exe",
            "permissions": {"camera": "allow", "geolocation": "deny"}}})"}},
       {}, exit_done, "", {{"Permissions", "camera=allow,geolocation=deny"}}},
      {"an app id that names no folder of its own",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "appId": "../notes"})"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: appId wants 1 to 64 lower-case letters, digits, \".\", \"-\" and \"_\", "
       "starting with a letter or a digit, not \"../notes\"\n"},
      {"a permission that is no choice",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "permissions": {"camera": "yes"}})"}}, {},
       exit_refused, "wapp-pack: wapp.config.json: permissions wants " + std::string(permission_policy_form) +
                         ", not \"camera=yes\"\n"},
      {"a list for a key that takes one value",
       {{"wapp.config.json", R"({"app": "dist", "output": "o.exe", "title": ["a", "b"]})"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: title wants a text, not [\"a\",\"b\"]\n"},
      {"a config that does not parse", {{"wapp.config.json", "{\"app\": }"}}, {}, exit_refused,
       "wapp-pack: wapp.config.json: line 1, column 9: syntax error while parsing value - unexpected '}'; expected "
       "'[', '{', or a literal\n"},
      {"a config that names no folder", {{"wapp.config.json", R"({"output": "o.exe"})"}}, {}, exit_refused,
       "wapp-pack: no APP_DIR given, nor an \"app\" in wapp.config.json\n"},
      {"nothing to pack", {}, {}, exit_refused,
       "wapp-pack: no APP_DIR given, and no wapp.config.json or package.json with a \"wapp\" key here to name it (see "
       "--help)\n"},
      {"a settings size the launcher would read as 0",
       {{"settings.json", R"({"WindowWidth": "abc"})"}}, {u(dir / "dist"), "-o", "o.exe", "--settings", settings},
       exit_refused, "wapp-pack: " + settings + ": WindowWidth wants a whole number from 1 to 32767, not \"abc\"\n"},
      {"a settings switch the launcher would read as off",
       {{"settings.json", R"({"Resizable": "yes"})"}}, {u(dir / "dist"), "-o", "o.exe", "--settings", settings},
       exit_refused, "wapp-pack: " + settings + ": Resizable wants \"1\" or \"0\" (or true or false), not \"yes\"\n"},
      {"a settings version that is not one",
       {{"settings.json", R"({"AppVersion": "one"})"}}, {u(dir / "dist"), "-o", "o.exe", "--settings", settings},
       exit_refused, "wapp-pack: " + settings + ": AppVersion wants " + version_wanted + ", not \"one\"\n"},
      {"package.json's version that the program cannot carry",
       {{"package.json", R"({"version": "latest", "wapp": {"app": "dist", "output": "o.exe"}})"}}, {}, exit_refused,
       "wapp-pack: package.json's version wants " + version_wanted + ", not \"latest\" (--app-version gives another)\n"},
      {"an option's version past the numbers' range", {}, {u(dir / "dist"), "-o", "o.exe", "--app-version", "1.70000"},
       exit_refused, "wapp-pack: --app-version wants " + version_wanted + ", not \"1.70000\"\n"},
      {"a mistyped option", {}, {"--titel", "x"}, exit_refused,
       "wapp-pack: unknown option --titel (did you mean --title?)\n"},
      {"an option spelt as its setting", {}, {"--WindowWidth=5"}, exit_refused,
       "wapp-pack: unknown option --WindowWidth (did you mean --width?)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* name : {"package.json", "wapp.config.json", "settings.json", "conf", "out"}) fs::remove_all(dir / name);
    for (const auto& [name, text] : c.files) write_bytes(dir / name, text);
    EXPECT_EQ(pack(c.args), c.status) << err;
    EXPECT_EQ(err, c.err);
    if (c.status != exit_done || c.settings.empty()) continue;
    std::map<std::string, std::string> members = settings_of(dir / "out" / "App.exe");
    for (const auto& [name, value] : c.settings)
      EXPECT_EQ(members.count(name) ? members[name] : "-", value) << name;
    for (const auto& [name, data] : zip_entries(split_payload(read_bytes(dir / "out" / "App.exe")).zip))
      EXPECT_NE(name, c.left_out);
  }
}

}  // namespace
