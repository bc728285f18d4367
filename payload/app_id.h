#pragma once
// An app's identity across the names, copies and versions of its program
// (the AppId setting): the launchers keep the app's stored data and find a
// running copy by it rather than by the program's file name. It names a
// folder, so it is kept to what every file system takes: 1 to 64 lower-case
// letters, digits, ".", "-" and "_", starting with a letter or a digit.
#include <string>
#include <string_view>

constexpr size_t longest_app_id = 64;

bool is_app_id(std::string_view text);

// The id a name gives (package.json's name, or the window's title): letters
// in lower case, each run of other characters one "-", the ends trimmed
// ("@acme/Notes App" gives "acme-notes-app"). A name with nothing of that
// gives "app-" and eight hexadecimal digits of its hash.
std::string app_id_from(std::string_view name);
