#pragma once
// Which archive entries the launcher unpacks into its web app folder, and
// why it skips the others. One rule for the launcher, which skips, the
// packer, which refuses, and --inspect, which reports.
//
// The rule reads the name as the launcher gets it from the archive (UTF-16
// on Windows): "/" and "\" both separate parts, letters compare without
// regard to ASCII case. A UTF-8 name (the packer's, a Linux launcher's) is
// read as the same characters, so both forms of a name get one answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class entry_name_verdict {
  unpacked,
  no_name,          // empty, or only "." and empty parts
  absolute,         // starts with a separator: the drive's root, or \\server\share
  colon,            // ":" names a drive (C:x) or an alternate data stream
  parent,           // a ".." part would lead out of the folder
  device,           // CON, PRN, AUX, NUL, COM0-9, LPT0-9 ..., with any extension
  dot_or_space,     // a part ending in a dot or space, which Windows drops
  launcher_file,    // webapp.zip or webapp.lock at the root: the launcher's own
};

entry_name_verdict judge_entry_name(std::string_view utf8);
entry_name_verdict judge_entry_name(std::u16string_view utf16);
// UTF-16 where wchar_t has 16 bits (Windows), UTF-32 where it has 32.
entry_name_verdict judge_entry_name(std::wstring_view name);

// Why the launcher skips a name, for people: "\"..\" would lead out of the
// app folder". The empty text for unpacked.
const char* entry_name_reason(entry_name_verdict verdict);

// The files the launcher keeps in its folder beside the app, in lower case.
constexpr char launcher_archive_file[] = "webapp.zip";
constexpr char launcher_marker_file[] = "webapp.lock";

// The launcher's paths hold 260 UTF-16 units, and Windows creates no folder
// whose path has more than 247. Under a temporary folder of up to 80 units
// (C:\Users\ with a long profile name and \AppData\Local\Temp\) and the
// launcher's own folder ("webapp-32\", 10 units), an entry's name may take
// 157 units and still be created on every such machine.
constexpr size_t longest_temporary_folder = 80;
constexpr size_t web_app_folder_room = 10;
constexpr size_t longest_created_path = 247;
constexpr size_t longest_entry_name = longest_created_path - longest_temporary_folder - web_app_folder_room;

// The length of the UTF-8 sequence at `at` when it is well formed (no
// overlong forms, surrogates or values past U+10FFFF), else 0.
int utf8_sequence_length(std::string_view text, size_t at);
bool is_utf8(std::string_view text);
// The character at i, moving i past it; U+FFFD for a malformed byte.
char32_t next_utf8_character(std::string_view text, size_t& i);
void append_utf8(std::string& text, char32_t c);
// How many UTF-16 units the well-formed UTF-8 text takes.
size_t utf16_length(std::string_view utf8);
