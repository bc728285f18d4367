// How both launchers read the settings document's values, and which
// launcher a file is: the rules the Linux launcher shares with the packer.
#include <gtest/gtest.h>

#include <string>

#include "payload/json_text.h"
#include "payload/program_kind.h"
#include "payload/settings_keys.h"

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
  // A member's string, the empty text for any other value, the default when
  // it is missing or the root is no object.
  json_node root, list;
  json_text_error error;
  ASSERT_TRUE(parse_json_text(R"({"WindowWidth": 800, "WindowTitle": "T", "Resizable": null})", root, error));
  ASSERT_TRUE(parse_json_text(R"(["WindowTitle"])", list, error));
  EXPECT_EQ(setting_text(root, "WindowWidth", "800"), "");
  EXPECT_EQ(setting_text(root, "WindowTitle", "Mi App"), "T");
  EXPECT_EQ(setting_text(root, "Resizable", "0"), "");
  EXPECT_EQ(setting_text(root, "windowtitle", "Mi App"), "Mi App");
  EXPECT_EQ(setting_text(list, "WindowTitle", "Mi App"), "Mi App");
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
