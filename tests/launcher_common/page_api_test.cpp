// The page's native API at its door: every kind of message a page (or a
// page that is not the app's) can post, run through the real message layer
// over a system that records what it was asked, each with its exact reply,
// and what it did to the files.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "launcher-common/base64.h"
#include "launcher-common/app_tray.h"
#include "launcher-common/page_api.h"
#include "launcher-common/page_script.h"

namespace {

// The dialogs answer what the test says; the files are a map.
class recording_system final : public page_api_system {
 public:
  std::vector<std::string> to_open;
  std::string to_save;
  std::map<std::string, std::string> files;
  std::vector<std::string> asked;  // every call, in order

  std::vector<std::string> choose_files_to_open(const std::vector<file_type_filter>& types, bool multiple) override {
    std::string filters;
    for (const auto& type : types) {
      filters += type.description + ":";
      for (const auto& e : type.extensions) filters += e + ",";
    }
    asked.push_back("open " + filters + (multiple ? " multiple" : ""));
    return to_open;
  }
  std::string choose_file_to_save(const std::string& suggested, const std::vector<file_type_filter>&) override {
    asked.push_back("save " + suggested);
    return to_save;
  }
  std::string file_name(const std::string& path) override { return path.substr(path.rfind('/') + 1); }
  int64_t file_size(const std::string& path) override {
    auto found = files.find(path);
    return found == files.end() ? -1 : (int64_t)found->second.size();
  }
  bool read_file(const std::string& path, std::string& bytes, std::string& problem) override {
    asked.push_back("read " + path);
    if (!files.count(path)) return problem = "gone", false;
    bytes = files[path];
    return true;
  }
  bool write_file(const std::string& path, std::string_view bytes, std::string& problem) override {
    asked.push_back("write " + path);
    if (path.starts_with("/readonly/")) return problem = "permission denied", false;
    files[path] = std::string(bytes);
    return true;
  }
  bool open_external(const std::string& address) override {
    asked.push_back("external " + address);
    return true;
  }
  void announce_window(const std::string& address) override { asked.push_back("announce " + address); }
  bool set_tray(const tray_request& request, std::string& problem) override {
    std::string items;
    for (const tray_item& item : request.items)
      items += item.separator ? " -" : " " + item.id + "=" + item.label + (item.enabled ? "" : "/off") +
                                           (item.checked ? "/on" : "");
    asked.push_back("tray " + request.tooltip + ":" + items);
    if (request.tooltip == "no tray") return problem = "no tray service answers", false;
    return true;
  }
  void remove_tray() override { asked.push_back("tray gone"); }
  void wait_for_tray(later_settle settle) override {
    asked.push_back("tray wait");
    settle(tray_menu_event("new"), "");
  }
  void update(update_step step, later_settle settle) override {
    asked.push_back("update " + std::to_string((int)step));
    settle(step == update_step::install ? "" : "null", step == update_step::install ? "offline" : "");
  }
  void change_window(const window_request& r) override {
    asked.push_back("window " + std::to_string((int)r.change) + " " + r.title + (r.on ? " on" : "") +
                    (r.width ? " " + std::to_string(r.width) + "x" + std::to_string(r.height) : ""));
  }
};

std::string request(int id, const std::string& method, const std::string& args) {
  return "{\"wapp\":\"k\",\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"args\":" + args + "}";
}

constexpr char no_reply[] = "(none)";

TEST(PageApi, EachMessageGetsItsExactReplyAndTouchesOnlyWhatTheUserPicked) {
  recording_system system;
  system.files["/home/u/notes.md"] = "# Notes\n";
  system.files["/home/u/big.bin"] = std::string(page_api_data_limit + 1, 'x');
  page_api api(system, "k");
  const std::string hello = base64_encoded(std::string_view("hello\0world", 11));
  const std::string over_limit = std::string((page_api_data_limit / 3 + 1) * 4, 'A');
  const std::string exactly_limit = base64_encoded(std::string(page_api_data_limit, 'x'));
  const std::string one_over_limit = base64_encoded(std::string(page_api_data_limit + 1, 'x'));
  std::string separators = "\"-\"";
  for (int i = 1; i < 65; i++) separators += ",\"-\"";
  const struct {
    const char* title;
    std::string message;
    bool from_app = true;
    std::vector<std::string> to_open = {};
    std::string to_save = "";
    std::string reply;
    std::string asked = "";  // what the system was asked, "|"-separated
  } cases[] = {
      // Good calls.
      {"open, cancelled", request(1, "openFile", "{}"), true, {}, "", R"({"wapp":true,"id":1,"result":[]})", "open "},
      {"open a file", request(2, "openFile", R"({"types":[{"description":"Markdown","extensions":[".md","markdown"]}]})"),
       true, {"/home/u/notes.md"}, "", R"({"wapp":true,"id":2,"result":[{"name":"notes.md","size":8,"handle":1}]})",
       "open Markdown:md,markdown,"},
      {"read it", request(3, "readFile", R"({"handle":1})"), true, {}, "",
       R"({"wapp":true,"id":3,"result":"IyBOb3Rlcwo="})", "read /home/u/notes.md"},
      {"open it again: the same handle", request(4, "openFile", R"({"multiple":true})"), true,
       {"/home/u/notes.md", "/home/u/big.bin"}, "",
       R"({"wapp":true,"id":4,"result":[{"name":"notes.md","size":8,"handle":1},{"name":"big.bin","size":67108865,"handle":2}]})",
       "open  multiple"},
      {"write through the handle", request(5, "writeFile", "{\"handle\":1,\"data\":\"" + hello + "\"}"), true, {}, "",
       R"({"wapp":true,"id":5,"result":null})", "write /home/u/notes.md"},
      {"save as, cancelled", request(6, "saveFile", "{\"suggestedName\":\"a.md\",\"data\":\"\"}"), true, {}, "",
       R"({"wapp":true,"id":6,"result":null})", "save a.md"},
      {"save as", request(7, "saveFile", "{\"suggestedName\":\"a.md\",\"data\":\"" + hello + "\"}"), true, {},
       "/home/u/b.md", R"({"wapp":true,"id":7,"result":{"name":"b.md","handle":3}})", "save a.md|write /home/u/b.md"},
      {"a link out", request(8, "openExternal", R"({"url":"https://example.test/help"})"), true, {}, "",
       R"({"wapp":true,"id":8,"result":null})", "external https://example.test/help"},
      {"a title", request(9, "window.setTitle", R"({"text":"b.md \u2014 Notes"})"), true, {}, "",
       R"({"wapp":true,"id":9,"result":null})", "window 0 b.md \xE2\x80\x94 Notes"},
      {"full screen", request(10, "window.setFullscreen", R"({"on":true})"), true, {}, "",
       R"({"wapp":true,"id":10,"result":null})", "window 4  on"},
      {"a size", request(11, "window.setSize", R"({"width":640,"height":480})"), true, {}, "",
       R"({"wapp":true,"id":11,"result":null})", "window 6  640x480"},
      {"close, no args", R"({"wapp":"k","id":12,"method":"window.close"})", true, {}, "",
       R"({"wapp":true,"id":12,"result":null})", "window 5 "},
      // Bad messages: nothing happens but the rejection.
      {"not JSON", "{wapp", true, {}, "", R"({"wapp":true,"id":null,"error":"the message is not JSON"})"},
      {"a foreign source", request(13, "openFile", "{}"), false, {"/etc/passwd"}, "", no_reply},
      {"a foreign source, any message", "{wapp", false, {}, "", no_reply},
      {"not for this API", R"({"id":1,"method":"openFile"})", true, {"/etc/passwd"}, "", no_reply},
      {"the wrong key", R"({"wapp":"guess","id":1,"method":"openFile"})", true, {"/etc/passwd"}, "", no_reply},
      {"external.invoke's text", R"("{\"id\":1,\"method\":\"x\",\"params\":[]}")", true, {}, "", no_reply},
      {"no id", R"({"wapp":"k","method":"openFile"})", true, {}, "",
       R"({"wapp":true,"id":null,"error":"the request's id must be a whole number"})"},
      {"a text id", R"({"wapp":"k","id":"1","method":"openFile"})", true, {}, "",
       R"({"wapp":true,"id":null,"error":"the request's id must be a whole number"})"},
      {"a method that is no text", R"({"wapp":"k","id":14,"method":7})", true, {}, "",
       R"({"wapp":true,"id":14,"error":"the request's method must be a string"})"},
      {"an unknown method", request(15, "runProgram", R"({"path":"/bin/sh"})"), true, {}, "",
       R"({"wapp":true,"id":15,"error":"no method runProgram"})"},
      {"args that are no object", R"({"wapp":"k","id":16,"method":"openFile","args":[1]})", true, {}, "",
       R"({"wapp":true,"id":16,"error":"args must be an object"})"},
      {"a forged handle", request(17, "writeFile", "{\"handle\":99,\"data\":\"" + hello + "\"}"), true, {}, "",
       R"({"wapp":true,"id":17,"error":"no file of this run has handle 99: handles come from the open and save dialogs"})"},
      {"a handle that is a path", request(18, "readFile", R"({"handle":"/etc/passwd"})"), true, {}, "",
       R"({"wapp":true,"id":18,"error":"handle must be a whole number from 1 to 4503599627370496"})"},
      {"a fractional handle", request(19, "readFile", R"({"handle":1.5})"), true, {}, "",
       R"({"wapp":true,"id":19,"error":"handle must be a whole number from 1 to 4503599627370496"})"},
      {"data that is no base64", request(20, "writeFile", R"({"handle":1,"data":"aGVsbG8*"})"), true, {}, "",
       R"({"wapp":true,"id":20,"error":"data is not base64"})"},
      {"data that is no text", request(21, "writeFile", R"({"handle":1,"data":[104,105]})"), true, {}, "",
       R"({"wapp":true,"id":21,"error":"data must be a string of base64"})"},
      {"data over 64 MiB, refused before the dialog", request(22, "saveFile", "{\"data\":\"" + over_limit + "\"}"),
       true, {}, "/home/u/huge.bin", R"({"wapp":true,"id":22,"error":"data is larger than 64 MiB, the most one call carries"})"},
      {"a file over 64 MiB, not cut short", request(23, "readFile", R"({"handle":2})"), true, {}, "",
       R"({"wapp":true,"id":23,"error":"big.bin is larger than 64 MiB, the most one call carries"})"},
      {"a suggested name with folders", request(24, "saveFile", R"({"suggestedName":"../../.bashrc","data":""})"),
       true, {}, "/home/u/x", R"({"wapp":true,"id":24,"error":"suggestedName must be a file name, without folders"})"},
      {"a pattern in an extension", request(25, "openFile", R"({"types":[{"description":"All","extensions":["*"]}]})"),
       true, {"/etc/passwd"}, "",
       R"({"wapp":true,"id":25,"error":"an extension must be 1 to 16 letters or digits, like \"md\""})"},
      {"types that are no list", request(26, "openFile", R"({"types":"md"})"), true, {}, "",
       R"({"wapp":true,"id":26,"error":"types must be a list of {description, extensions}"})"},
      {"multiple that is no switch", request(27, "openFile", R"({"multiple":"yes"})"), true, {}, "",
       R"({"wapp":true,"id":27,"error":"multiple must be true or false"})"},
      {"a file: address out", request(28, "openExternal", R"({"url":"file:///bin/sh"})"), true, {}, "",
       R"({"wapp":true,"id":28,"error":"only http:, https: and mailto: addresses open outside the app"})"},
      {"a custom scheme out", request(29, "openExternal", R"({"url":"ms-settings:"})"), true, {}, "",
       R"({"wapp":true,"id":29,"error":"only http:, https: and mailto: addresses open outside the app"})"},
      {"a url that is no text", request(30, "openExternal", R"({"url":{"href":"https://x.test/"}})"), true, {}, "",
       R"({"wapp":true,"id":30,"error":"url must be a string"})"},
      {"a huge title", request(31, "window.setTitle", "{\"text\":\"" + std::string(4097, 't') + "\"}"), true, {}, "",
       R"({"wapp":true,"id":31,"error":"text is longer than 4096 bytes"})"},
      {"a size out of range", request(32, "window.setSize", R"({"width":0,"height":480})"), true, {}, "",
       R"({"wapp":true,"id":32,"error":"width must be a whole number from 1 to 32767"})"},
      {"a size that is a text", request(33, "window.setSize", R"({"width":640,"height":"480"})"), true, {}, "",
       R"({"wapp":true,"id":33,"error":"height must be a whole number from 1 to 32767"})"},
      {"full screen without its switch", request(34, "window.setFullscreen", "{}"), true, {}, "",
       R"({"wapp":true,"id":34,"error":"on must be true or false"})"},
      {"a write that fails leaves a rejection", request(35, "saveFile", "{\"data\":\"" + hello + "\"}"), true, {},
       "/readonly/c.md", R"({"wapp":true,"id":35,"error":"cannot write c.md: permission denied"})",
       "save |write /readonly/c.md"},
      {"a message over the size of any call", std::string(page_api_message_limit + 1, ' '), true, {}, "",
       R"({"wapp":true,"id":null,"error":"the message is larger than a call may be: file data of at most 64 MiB"})"},
      {"a backslash in a suggested name", request(36, "saveFile", R"({"suggestedName":"..\\x.md","data":""})"), true,
       {}, "/home/u/x", R"({"wapp":true,"id":36,"error":"suggestedName must be a file name, without folders"})"},
      {"exactly 64 MiB is written", request(37, "saveFile", "{\"data\":\"" + exactly_limit + "\"}"), true, {},
       "/home/u/exact.bin", R"({"wapp":true,"id":37,"result":{"name":"exact.bin","handle":4}})",
       "save |write /home/u/exact.bin"},
      {"one byte more is not", request(38, "saveFile", "{\"data\":\"" + one_over_limit + "\"}"), true, {},
       "/home/u/over.bin", R"({"wapp":true,"id":38,"error":"data is larger than 64 MiB, the most one call carries"})"},
      // Half a character (a string cut inside a surrogate pair) settles the call, shown as U+FFFD.
      {"half a character in a title", request(39, "window.setTitle", R"({"text":"a\ud83d\ude00\ud83d"})"), true,
       {}, "", R"({"wapp":true,"id":39,"result":null})", "window 0 a\xF0\x9F\x98\x80\xEF\xBF\xBD"},
      {"half a character alone", request(40, "window.setTitle", R"({"text":"\ude00\\ud83d"})"), true, {}, "",
       R"({"wapp":true,"id":40,"result":null})", "window 0 \xEF\xBF\xBD\\ud83d"},
      {"a window announced", request(42, "window.willOpen", R"({"url":"https://example.test/x"})"), true, {}, "",
       R"({"wapp":true,"id":42,"result":null})", "announce https://example.test/x"},
      {"no JSON, but an id to answer", R"({"wapp":"k","id":41,"method":"window.close",)", true, {}, "",
       R"({"wapp":true,"id":41,"error":"the message is not JSON"})"},
      // Settled later, through the reply the host gave: the update's calls.
      {"an update check", request(43, "update.check", "{}"), true, {}, "", R"({"wapp":true,"id":43,"result":null})",
       "update 0"},
      {"an install that fails", request(44, "update.install", "{}"), true, {}, "",
       R"({"wapp":true,"id":44,"error":"offline"})", "update 1"},
      {"a foreign page's update", request(45, "update.install", "{}"), false, {}, "", no_reply},
      {"a tray", request(46, "tray.set", R"({"tooltip":"Notes","menu":[{"id":"new","label":"New"},"-",{"id":"s","label":"Sync","enabled":false,"checked":true}]})"),
       true, {}, "", R"({"wapp":true,"id":46,"result":null})", "tray Notes: new=New - s=Sync/off/on"},
      {"a tray event, settled later", request(47, "tray.next", "{}"), true, {}, "",
       R"({"wapp":true,"id":47,"result":{"kind":"menu","id":"new"}})", "tray wait"},
      {"no tray to be had", request(48, "tray.set", R"({"tooltip":"no tray"})"), true, {}, "",
       R"({"wapp":true,"id":48,"error":"no tray service answers"})", "tray no tray:"},
      {"a tray item without a label", request(49, "tray.set", R"({"menu":[{"id":"x"}]})"), true, {}, "",
       R"({"wapp":true,"id":49,"error":"a menu item's label must be a string"})"},
      {"a tray label too long", request(50, "tray.set", "{\"menu\":[{\"id\":\"x\",\"label\":\"" + std::string(101, 'l') + "\"}]}"),
       true, {}, "", R"({"wapp":true,"id":50,"error":"a menu item's label is longer than 100 bytes"})"},
      {"a tray menu too long", request(51, "tray.set", "{\"menu\":[" + separators + "]}"), true, {}, "",
       R"({"wapp":true,"id":51,"error":"menu holds more than 64 items"})"},
      {"the tray taken away", request(52, "tray.remove", "{}"), true, {}, "", R"({"wapp":true,"id":52,"result":null})",
       "tray gone"},
  };
  for (const auto& c : cases) {
    system.to_open = c.to_open;
    system.to_save = c.to_save;
    system.asked.clear();
    std::string later;
    std::optional<std::string> reply = api.answer(c.message, c.from_app, [&](std::string text) { later = text; });
    EXPECT_EQ(reply.value_or(no_reply) + later, c.reply) << c.title;
    std::string asked;
    for (const auto& a : system.asked) asked += (asked.empty() ? "" : "|") + a;
    EXPECT_EQ(asked, c.asked) << c.title;
  }
  // Exactly the bytes sent, NUL included; nothing else was ever written.
  EXPECT_EQ(system.files["/home/u/notes.md"], std::string("hello\0world", 11));
  EXPECT_EQ(system.files["/home/u/b.md"], std::string("hello\0world", 11));
  EXPECT_EQ(system.files["/home/u/exact.bin"].size(), page_api_data_limit);
  EXPECT_EQ(system.files.size(), 4u);
}

TEST(PageApi, Base64ReadsBackOnlyWhatItWrites) {
  for (std::string bytes : {std::string(), std::string("f"), std::string("fo"), std::string("foo"),
                            std::string("\xFF\x00\x80", 3)}) {
    std::string back;
    EXPECT_TRUE(base64_decoded(base64_encoded(bytes), back));
    EXPECT_EQ(back, bytes);
  }
  std::string out;
  for (const char* bad : {"Zg", "Zg=", "Zh==", "Z===", "Zm9v\n", "Zm 9", "Zg==Zg==", "-_8="}) EXPECT_FALSE(base64_decoded(bad, out)) << bad;
  // A view ends where it ends, whatever the bytes after it would complete.
  EXPECT_FALSE(base64_decoded(std::string_view("Zm9vYg==", 6), out));
}

TEST(PageApi, TheScriptCarriesItsSettingsAsData) {
  page_script_settings settings{page_channel::webkit, "k\"", {"wapp://app.test/"}, false, "Notes </script>", "1.0",
                                "linux"};
  std::string script = page_api_script(settings);
  EXPECT_NE(script.find(R"("channel":"webkit","key":"k\"","prefixes":["wapp://app.test/"])"), std::string::npos);
  EXPECT_NE(script.find(R"("app":{"name":"Notes </script>","version":"1.0","platform":"linux"})"), std::string::npos);
  EXPECT_EQ(script.find("WAPP_SETTINGS"), std::string::npos);
}

}  // namespace
