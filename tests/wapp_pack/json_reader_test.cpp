// The settings file reader: what it accepts, and where it says a text breaks.
#include <gtest/gtest.h>

#include "json_reader.h"

namespace {

TEST(JsonReader, ErrorsNameTheLineAndColumnWhereTheTextBreaks) {
  struct {
    const char* text;
    const char* message;
    int line, column;
  } cases[] = {
      {"", "Unexpected end of input", 1, 1},
      {"   ", "Unexpected end of input", 1, 3},
      {"{\"a\" 1}", "Expected a ':' character", 1, 6},
      {"{\r\n  \"a\": 1,\r\n  \"b\" 2\r\n}", "Expected a ':' character", 3, 7},
      {"{\n\"a\":1,}", "A member name (string) is expected", 2, 7},
      {"[1,]", "Unexpected character", 1, 4},
      {"[1.]", "Invalid numeric value", 1, 4},
      {"+1", "Unexpected character", 1, 1},
      {"tru", "Unexpected end of input", 1, 3},
      {"nul!", "Unexpected character", 1, 4},
      {"\"\\x\"", "Invalid escape sequence", 1, 3},
      {"\"\\u12G4\"", "Invalid escape sequence", 1, 6},
      {"{} x", "Unexpected character", 1, 4},
      {"\xEF\xBB\xBF{}", "Unexpected character", 1, 1},  // a byte-order mark is a character
      {"\"caf\xC3\xA9\" \xE2\x82", "Invalid UTF-8", 1, 8},
      {"[\"\xC0\xAF\"]", "Invalid UTF-8", 1, 3},  // overlong
      {"\"\xED\xA0\x80\"", "Invalid UTF-8", 1, 2},  // a surrogate written out
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    json_node root;
    json_text_error error;
    EXPECT_FALSE(parse_json_text(c.text, root, error));
    EXPECT_EQ(error.message, c.message);
    EXPECT_EQ(error.line, c.line);
    EXPECT_EQ(error.column, c.column);
  }
  std::string deep(1000, '[');
  json_node root;
  json_text_error error;
  EXPECT_FALSE(parse_json_text(deep, root, error));
  EXPECT_EQ(error.message, "Too deeply nested");
}

TEST(JsonReader, ValuesComeBackAsWrittenAndGoOutAgainEscaped) {
  const char* text =
      "{ \"s\": \"a\\\"b\\\\c\\/\\n\\u00e9\\ud83d\\ude00\\ud800x\", \"n\": -12.5e+3, \"i\": 007,\n"
      "  \"t\": true, \"f\": false, \"z\": null, \"arr\": [1, [], {}], \"s\": \"last\", \"u\": \"\xE6\x97\xA5\" }";
  json_node root;
  json_text_error error;
  ASSERT_TRUE(parse_json_text(text, root, error)) << error.message;
  ASSERT_EQ(root.members.size(), 8u);
  EXPECT_EQ(root.members[0].first, "s");  // a repeated name keeps its place and takes the last value
  EXPECT_EQ(json_member_of(root, "s")->text, "last");
  EXPECT_EQ(json_member_of(root, "n")->text, "-12.5e+3");
  EXPECT_EQ(json_member_of(root, "i")->text, "007");
  EXPECT_EQ(json_member_of(root, "t")->kind, json_kind::boolean);
  EXPECT_EQ(json_member_of(root, "z")->kind, json_kind::null);
  EXPECT_EQ(json_member_of(root, "missing"), nullptr);
  EXPECT_EQ(json_compact(root),
            "{\"s\":\"last\",\"n\":-12.5e+3,\"i\":007,\"t\":true,\"f\":false,\"z\":null,\"arr\":[1,[],{}],"
            "\"u\":\"\xE6\x97\xA5\"}");

  ASSERT_TRUE(parse_json_text("\"a\\\"b\\\\c\\/\\n\\u00e9\\ud83d\\ude00\\ud800x\\u0001\"", root, error));
  EXPECT_EQ(root.text, "a\"b\\c/\n\xC3\xA9\xF0\x9F\x98\x80\xED\xA0\x80x\x01");
  EXPECT_EQ(json_quoted(root.text), "\"a\\\"b\\\\c/\\n\xC3\xA9\xF0\x9F\x98\x80\\uD800x\\u0001\"");
}

}  // namespace
