#pragma once
// The app's own name, version and description: what the window's title
// defaults to, what the settings document records for the page, and what
// the Windows program's version resource says. Each from the first source
// that gives it: the options (or the config), the settings file, then
// package.json.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "options.h"
#include "payload/json_text.h"
#include "settings_document.h"

constexpr char app_version_wanted[] =
    "a version of up to four numbers from 0 to 65535, such as 1.2.3 or 1.2.3-beta.1";

// Up to four numbers separated by dots, then nothing or anything after a
// "-" or "+". The numbers not given are 0.
bool read_app_version(std::string_view text, std::array<uint16_t, 4>& numbers);

struct app_identity {
  std::optional<std::string> name, version, description, company, copyright;
  std::optional<std::string> package_name;  // package.json's name, which the app's id is made from
  std::string name_source, version_source;  // "--app-name", "package.json's productName"
  std::array<uint16_t, 4> numbers{};
};

// False for a package.json value that is not a text, or a version it gives
// that the version resource cannot take.
bool settle_app_identity(const pack_options& options, const settings_values& values, const json_node* package,
                         app_identity& identity, std::string& problem);

// The text of the page's first <title>, white space collapsed and character
// references read; empty when it has none. Comments and script text are
// not looked at.
std::string page_title_of(std::string_view html);
