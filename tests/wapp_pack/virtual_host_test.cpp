// VirtualHost in the packer: the default name, another asked for or turned
// off by option, kept from a settings file, always in lower case, and told
// in the summary, which says what --file-url breaks. Names the launcher
// would not use are among the refusals.
#include "module_scripts.h"
#include "packer_test_support.h"
#include "payload/json_text.h"

namespace {

class VirtualHost : public packer_test {
 protected:
  // The payload's VirtualHost, or "(none)".
  std::string packed_host(const fs::path& exe) {
    json_node root;
    json_text_error error;
    EXPECT_TRUE(parse_json_text(split_payload(read_bytes(exe)).json, root, error)) << error.message;
    const json_node* host = json_member_of(root, "VirtualHost");
    return host ? host->text : "(none)";
  }
};

TEST(ModuleScripts, OnlyScriptElementsWhoseTypeNeedsAnOrigin) {
  struct {
    const char* html;
    const char* feature;
  } pages[] = {
      {"<script type=\"module\" src=\"main.js\"></script>", "a module script"},
      {"<!doctype html><HEAD><SCRIPT TYPE=Module SRC=/assets/index-4f2a.js></SCRIPT>", "a module script"},
      {"<script\n  crossorigin\n  src='a.js'\ttype = ' module '\n></script>", "a module script"},
      {"<script type=importmap>{\"imports\":{}}</script><script src=x.js></script>", "an import map"},
      {"<script/type=\"ImportMap\">{}</script>", "an import map"},
      {"<script async src=app.js></script><script>let t = 1 > 0</script>", ""},
      {"<script type=\"text/javascript\" src=app.js></script>", ""},
      {"<!-- <script type=\"module\" src=old.js></script> -->", ""},
      {"<script>document.write('<script type=\"module\">')</script>", ""},
      {"<scripts type=module></scripts><noscript type=module></noscript>", ""},
      {"<script data-type=\"module\" type=\"module-shim\" src=a.js></script>", ""},
      {"<script type=\"text/plain\" type=\"module\"></script>", ""},
      {"<link rel=modulepreload href=a.js><p>type=\"module\"</p>", ""},
      {"<script type=\"module\"", ""},  // the page ends inside the tag, which a browser drops
  };
  for (const auto& page : pages) EXPECT_EQ(module_feature_of(page.html), page.feature) << page.html;
}

TEST_F(VirtualHost, ServedByDefaultInLowerCaseAndFileUrlSaysWhatItBreaks) {
  fs::path modules = make_app("modules", {{"index.html", "<script type=module src=js/app.js></script>"},
                                          {"js/app.js", "import {a} from './a.js'"}});
  fs::path import_map = make_app("import-map", {{"INDEX.HTML", "<script type='importmap'>{}</script>"}});
  fs::path plain = make_app("plain", {{"index.html", "<script src=js/app.js></script>"}});
  fs::path no_index = make_app("no-index", {{"readme.txt", "x"}});
  fs::path exe = dir / "out.exe", elf = dir / "launcher";
  write_bytes(elf, linux_launcher_bytes());
  write_bytes(dir / "host.json", "{\"VirtualHost\": \"Files.Example\"}");
  write_bytes(dir / "null.json", "{\"VirtualHost\": null}");
  const std::string blank = ", which the browser refuses a file:// page, so the page will not run\n";
  struct {
    const char* name;
    fs::path app;
    std::vector<std::string> options;
    std::string host, summary;  // the lines after the first
    const char* output = "out.exe";
  } cases[] = {
      {"module script", modules, {}, "app.wapp", "  served from https://app.wapp/index.html\n"},
      {"plain script", plain, {}, "app.wapp", "  served from https://app.wapp/index.html\n"},
      {"for Linux", plain, {"--launcher", u(elf)}, "app.wapp", "  served from wapp://app.wapp/index.html\n", "app"},
      {"null in the settings", plain, {"--settings", u(dir / "null.json")}, "app.wapp",
       "  served from https://app.wapp/index.html\n"},
      {"no index.html, nothing served", no_index, {"--start-url", "https://example.org/"}, "(none)", ""},
      {"file URL, module script", modules, {"--file-url"}, "(none)",
       "  opened from file:// (--file-url): index.html has a module script" + blank},
      {"file URL, import map", import_map, {"--file-url"}, "(none)",
       "  opened from file:// (--file-url): index.html has an import map" + blank},
      {"file URL, plain script", plain, {"--file-url"}, "(none)", "  opened from file:// (--file-url)\n"},
      {"named", plain, {"--virtual-host", "My-App.example"}, "my-app.example",
       "  served from https://my-app.example/index.html (My-App.example in lower case, as the browser has it)\n"},
      {"named over the settings", modules, {"--settings", u(dir / "host.json"), "--virtual-host=b.example"},
       "b.example", "  served from https://b.example/index.html\n"},
      {"from the settings", modules, {"--settings", u(dir / "host.json")}, "files.example",
       "  served from https://files.example/index.html (Files.Example in lower case, as the browser has it)\n"},
      {"file URL over the settings", plain, {"--file-url", "--settings", u(dir / "host.json")}, "(none)",
       "  opened from file:// (--file-url)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {u(c.app), "-o", u(dir / c.output), "--launcher", u(launcher)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(pack(args), exit_done) << err;
    EXPECT_EQ(packed_host(dir / c.output), c.host);
    EXPECT_EQ(out.substr(out.find('\n') + 1), c.summary);
  }

  // The key follows the ten settings, and --inspect tells what the launcher makes of it.
  ASSERT_EQ(pack({u(modules), "-o", u(exe), "--launcher", u(launcher), "-q"}), exit_done);
  std::string json = split_payload(read_bytes(exe)).json;
  EXPECT_LT(json.find("\"Resizable\""), json.find("\"VirtualHost\": \"app.wapp\""));
  ASSERT_EQ(pack({"--inspect", u(exe)}), exit_done) << out;
  EXPECT_NE(out.find("  VirtualHost         \"app.wapp\"  (served from https://app.wapp/index.html)\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("other keys"), std::string::npos) << out;
}

}  // namespace
