#pragma once
// The settings document's JSON text, as the packer writes and inspects it and
// the Linux launcher reads it, over nlohmann/json's SAX parser: UTF-8 text
// in, a tree out that keeps what the packer passes on as it was written
// (numbers as their text, members in their order), and errors that name the
// line and column where the text breaks.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class json_kind { null, string, number, boolean, array, object };

struct json_node {
  json_kind kind = json_kind::null;
  // A string's UTF-8 text, a number's token as written, or "true"/"false".
  std::string text;
  std::vector<json_node> items;
  // In order of first appearance; a repeated name keeps its first place and
  // takes the last value, as the launcher's own reader does.
  std::vector<std::pair<std::string, json_node>> members;
};

struct json_text_error {
  std::string message;
  int line = 0;
  int column = 0;  // characters, counted from 1; lines break at CR LF, CR or LF
};

// Parses the whole text. A byte-order mark is refused, as the launcher
// refuses it; a caller that allows one takes it off first.
bool parse_json_text(std::string_view text, json_node& root, json_text_error& error);

// The member of an object, or none.
const json_node* json_member_of(const json_node& object, std::string_view name);

// The text as a JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string json_quoted(std::string_view text);
// The value written on one line, members in their order.
std::string json_compact(const json_node& value);

// Whether launcher.exe's own JSON reader takes the text, which is more than
// JSON: leading zeros, control characters and lone surrogates in strings,
// bytes that are no UTF-8 (it decodes them as U+FFFD). A text that this
// takes and parse_json_text refuses opens a window on Windows and none on
// Linux. Nesting deeper than the bound counts as not taken.
bool windows_launcher_reads_json(std::string_view text);
