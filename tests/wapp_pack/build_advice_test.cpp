// A Vite project packed the ways new users pack it: the project's root, a
// build older than its sources, a build that is missing; each warning and
// refusal names the next step, in exact words.
#include "packer_test_support.h"

namespace {

class BuildAdvice : public packer_test {
 protected:
  // dir is the project: package.json with a build script and a "wapp" key,
  // the sources, node_modules, and a build in dist/.
  void make_project(const std::string& wapp_key) {
    write_bytes(dir / "package.json", "{\"name\": \"my-app\", \"scripts\": {\"build\": \"vite build\"}, \"wapp\": " +
                                          wapp_key + "}");
    write_bytes(dir / "index.html", "<!doctype html><div id=root></div><script type=module src=\"/src/main.tsx\"></script>");
    write_bytes(dir / "src" / "main.tsx", "export {}");
    write_bytes(dir / "node_modules" / "react" / "index.js", "module.exports = {}");
    write_bytes(dir / "dist" / "index.html", "<!doctype html><script type=module src=/assets/index.js></script>");
    write_bytes(dir / "dist" / "assets" / "index.js", "console.log(1)");
  }
  void age(const fs::path& file, int hours) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(hours));
  }
};

TEST_F(BuildAdvice, EachMistakeIsSaidWithItsNextStep) {
  const std::string build = "pack the build folder (npm run build writes dist/)";
  const struct {
    const char* title;
    std::string wapp_key;
    int dist_age_hours;  // and src/'s, 1
    std::vector<std::string> args;
    int status;
    std::vector<std::string> said;  // lines of stderr, in order, without "wapp-pack: "
  } cases[] = {
      {"the project's root", "{}", 2, {u(dir), "-o", u(dir / ".." / "root-app"), "--target", "linux", "--launcher", u(dir / "elf")},
       exit_done,
       {"warning: index.html loads /src/main.tsx, which no browser runs: this looks like the project's sources, not "
        "its build: " + build,
        "warning: " + u(dir) + " holds package.json and node_modules: it is the project's root, not its build: " + build}},
      {"a build older than its sources", "{}", 2, {u(dir / "dist"), "-o", u(dir / ".." / "old-app"), "--target", "linux",
       "--launcher", u(dir / "elf")},
       exit_done, {"warning: dist/ is older than src/: build first? (npm run build)"}},
      {"a fresh build", "{}", 0, {u(dir / "dist"), "-o", u(dir / ".." / "new-app"), "--target", "linux", "--launcher",
       u(dir / "elf")}, exit_done, {}},
      {"quiet", "{}", 2, {u(dir), "-q", "-o", u(dir / ".." / "quiet-app"), "--target", "linux", "--launcher", u(dir / "elf")},
       exit_done, {}},
      {"no build yet", "{}", 0, {u(dir / "build"), "-o", u(dir / ".." / "none-app")}, exit_refused,
       {"the app folder " + u(dir / "build") + " does not exist: build the app first (npm run build writes it)"}},
      {"the output in the project", "{}", 0, {u(dir), "-o", u(dir / "out" / "app"), "--target", "linux", "--launcher",
       u(dir / "elf")}, exit_refused,
       {"the output lies inside the app folder: write it elsewhere; to pack the app, give its build folder, not the "
        "project's root (npm run build writes dist/)"}},
      {"the config's icon", "{\"icon\": \"assets/icon.png\"}", 0, {u(dir / "dist"), "-o", u(dir / ".." / "icon.exe"),
       "--launcher", u(launcher)}, exit_refused,
       {"package.json \"wapp\": icon: cannot read " + u(dir / "assets" / "icon.png") + " (the config's paths start at " +
        u(dir) + ")"}},
      {"a switch in quotes", "{\"resizable\": \"true\"}", 0, {u(dir / "dist"), "-o", u(dir / ".." / "q-app")}, exit_refused,
       {"package.json \"wapp\": resizable wants true or false, not \"true\" (drop the quotes: true)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    make_project(c.wapp_key);
    write_bytes(dir / "elf", linux_launcher_bytes());
    age(dir / "src" / "main.tsx", 1);
    age(dir / "dist" / "index.html", c.dist_age_hours);
    EXPECT_EQ(pack(c.args), c.status) << err;
    std::string expected;
    for (const auto& line : c.said) expected += "wapp-pack: " + line + "\n";
    std::string said = err;
    // The packer's own note on node_modules comes after these.
    said = said.substr(0, said.find("wapp-pack: warning: node_modules/"));
    EXPECT_EQ(said, expected);
  }
}

}  // namespace
