// How both launchers read the settings document's values, and which
// launcher a file is: the rules the Linux launcher shares with the packer.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "payload/json_text.h"
#include "payload/program_kind.h"
#include "payload/settings_keys.h"
#include "payload/settings_reader.h"

namespace {

TEST(SettingValues, TextsReadAsTheLaunchersReadThem) {
  struct {
    const char* text;
    int64_t number;
  } cases[] = {{"800", 800}, {" 1", 1},     {"\t01", 1},   {"+1", 1},  {"$1", 1},   {"%1", 1},
               {"1px", 1},   {"", 0},       {"px", 0},     {"-1", -1}, {"- 5", 0},  {"$fF", 255},
               {"%102", 2},  {"2.5", 2},    {"18446744073709551617", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(setting_integer(c.text), c.number);
    EXPECT_EQ(setting_is_on(setting_kind::switch_when_one, c.text), c.number == 1);
    EXPECT_EQ(setting_is_on(setting_kind::switch_when_not_zero, c.text), c.number != 0);
  }
}

// The keys after the window's ten, through the reader both launchers share:
// a member's string up to its first NUL, the empty text for any other value,
// the default when it is missing or the root is no object; the app's name
// falls back to the window's title. And which documents each launcher takes.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // rows leave out what they do not set
TEST(SettingValues, TheSharedReaderAndTheDocumentsEachLauncherTakes) {
  struct {
    std::string json;
    bool json_reads, windows_reads;
    app_settings app;
  } cases[] = {
      {R"({"VirtualHost": "app.wapp", "DevTools": "2", "SingleInstance": "1", "RememberWindow": " 1",
           "AppName": "Notes", "AppVersion": "1.2.0", "PageTitle": "1", "Permissions": "camera=allow"})", true, true,
       {"app.wapp", true, true, true, "Notes", "1.2.0", true, "camera=allow"}},
      {R"({"DevTools": 1, "SingleInstance": "2", "RememberWindow": "01", "AppName": null, "VirtualHost": "a\u0000b"})",
       true, true, {"a", false, false, true, "", ""}},
      {R"({"devtools": "1", "AppVersion": ["1"]})", true, true, {"", false, false, false, "Title", ""}},
      {R"(["DevTools", "1"])", true, true, {"", false, false, false, "Title", ""}},
      {"{\"DevTools\": \"1\", \"DevTools\": \"0\"}", true, true, {"", false, false, false, "Title", ""}},
      // What only launcher.exe's reader takes, and what neither does.
      {R"({"WindowWidth": 01})", false, true, {}},
      {"{\"AppName\": \"a\tb\"}", false, true, {}},
      {R"({"AppName": "\ud83d"})", false, true, {}},
      {"{\"AppName\": \"\xFF\"}", false, true, {}},
      {R"({"a": [1, -0.5e+3, true, false, null, {}], "b": {"c": []}})", true, true, {"", false, false, false, "Title", ""}},
      {"\xEF\xBB\xBF{}", false, false, {}},
      {R"({"a": 1,})", false, false, {}},
      {R"({"a": +1})", false, false, {}},
      {R"({"a": 1.})", false, false, {}},
      {R"({"a": "\x"})", false, false, {}},
      {R"({"a" 1})", false, false, {}},
      {"", false, false, {}},
      {std::string(600, '[') + std::string(600, ']'), false, false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    json_node root;
    json_text_error error;
    EXPECT_EQ(parse_json_text(c.json, root, error), c.json_reads);
    EXPECT_EQ(windows_launcher_reads_json(c.json), c.windows_reads);
    if (!c.json_reads) continue;
    app_settings app = read_app_settings(json_node_lookup(root), "Title");
    EXPECT_EQ(app.virtual_host, c.app.virtual_host);
    EXPECT_EQ(std::make_tuple(app.dev_tools, app.single_instance, app.remember_window, app.page_title),
              std::make_tuple(c.app.dev_tools, c.app.single_instance, c.app.remember_window, c.app.page_title));
    EXPECT_EQ(app.app_name, c.app.app_name);
    EXPECT_EQ(app.app_version, c.app.app_version);
    EXPECT_EQ(app.permissions, c.app.permissions);
  }
  json_node root;
  json_text_error error;
  EXPECT_TRUE(parse_json_text(default_settings_json, root, error));
}

TEST(ProgramKind, ToldByTheHeader) {
  auto elf = [](char byte_order, char type) {
    std::string header("\x7F" "ELF\2", 5);
    header += byte_order;
    header.resize(16, '\0');
    header += byte_order == 1 ? std::string{type, '\0'} : std::string{'\0', type};
    return header + std::string(40, '\0');
  };
  struct {
    std::string bytes;
    program_kind kind;
  } cases[] = {{"MZ" + std::string(100, '\0'), program_kind::windows}, {elf(1, 2), program_kind::linux_elf},
               {elf(1, 3), program_kind::linux_elf},                  {elf(2, 2), program_kind::linux_elf},
               {elf(1, 1), program_kind::unknown},                    {elf(1, 2).substr(0, 17), program_kind::unknown},
               {"#!/bin/sh\n", program_kind::unknown},                {"", program_kind::unknown}};
  for (const auto& c : cases) EXPECT_EQ(program_kind_of(memory_source(c.bytes)), c.kind) << c.bytes.size();
}

}  // namespace
