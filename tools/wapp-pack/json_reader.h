#pragma once
// A small JSON reader and writer for the packer's settings: UTF-8 text in,
// a tree out, and errors that name the line and column where they were found.
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
  int column = 0;  // characters, counted from 1
};

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms,
// surrogates or values past U+10FFFF), 0 for a malformed one or the end.
int utf8_sequence_length(std::string_view text, size_t at);

// Parses the whole text. Line breaks are CR LF, a lone CR or a lone LF.
// Strings must be valid UTF-8; escaped surrogates that do not pair are kept
// as three-byte sequences so that writing them back escapes them again.
bool parse_json_text(std::string_view text, json_node& root, json_text_error& error);

// The member of an object, or none.
const json_node* json_member_of(const json_node& object, std::string_view name);

// The text as a JSON string literal: quotes, backslashes and control
// characters escaped, everything else written as UTF-8.
std::string json_quoted(std::string_view text);
// The value written on one line, members in their order.
std::string json_compact(const json_node& value);
