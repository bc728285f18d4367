#include <gtest/gtest.h>

#include <string>

#include "runtime/json/json.h"

namespace {

struct failing_text {
  const wchar_t* text;
  const char* message;
  int32_t line;
  int32_t column;
};

constexpr const char* end_of_input = "Unexpected end of input";
constexpr const char* unexpected = "Unexpected character";
constexpr const char* bad_number = "Invalid numeric value";
constexpr const char* bad_escape = "Invalid escape sequence";
constexpr const char* no_colon = "Expected a ':' character";
constexpr const char* no_name = "A member name (string) is expected";

const failing_text failing_texts[] = {
    {nullptr, end_of_input, 1, 1},
    {L"", end_of_input, 1, 1},
    {L"   ", end_of_input, 1, 3},
    {L"\n", end_of_input, 2, 1},
    {L"{\"a\":", end_of_input, 1, 5},
    {L"\"\\u12", end_of_input, 1, 5},
    {L"1.", end_of_input, 1, 2},
    {L"-", end_of_input, 1, 1},
    {L"1e+", end_of_input, 1, 3},
    {L"tru", end_of_input, 1, 3},
    {L"[1,]", unexpected, 1, 4},
    {L"{\"a\":1 \"b\":2}", unexpected, 1, 8},
    {L"+1", unexpected, 1, 1},
    {L".5", unexpected, 1, 1},
    {L"12abc", unexpected, 1, 3},
    {L"trux", unexpected, 1, 4},
    {L"1 2", unexpected, 1, 3},
    {L"\xFEFF{}", unexpected, 1, 1},
    {L"\t\t]", unexpected, 1, 3},
    {L"\"a\"\n\n x", unexpected, 3, 2},
    {L"[1.]", bad_number, 1, 4},
    {L"-x", bad_number, 1, 2},
    {L"1ex", bad_number, 1, 3},
    {L"\"a\\x\"", bad_escape, 1, 4},
    {L"\"\\u12G4\"", bad_escape, 1, 6},
    {L"{\"a\" 1}", no_colon, 1, 6},
    {L"{\r\n\"a\" 1}", no_colon, 2, 5},
    {L"{\r\r\"a\":1 x}", unexpected, 3, 7},
    {L"[\n1,\r\n2\n\n,]", unexpected, 5, 2},
    {L"{\"a\":1,}", no_name, 1, 8},
};

TEST(JsonParseErrors, EachMessageAtItsLineAndColumn) {
  for (const failing_text& c : failing_texts) {
    SCOPED_TRACE(testing::Message() << "text #" << (&c - failing_texts));
    EXPECT_EQ(parse_json(0, c.text), 0);
    EXPECT_STREQ(json_error->message, c.message);
    EXPECT_EQ(json_error->line, c.line);
    EXPECT_EQ(json_error->column, c.column);
  }
}

TEST(JsonParseErrors, SuccessResetsTheErrorRecord) {
  ASSERT_EQ(parse_json(0, L"x"), 0);
  EXPECT_NE(parse_json(0, L"{}"), 0);
  EXPECT_STREQ(json_error->message, "");
  EXPECT_EQ(json_error->line, -1);
  EXPECT_EQ(json_error->column, -1);
}

TEST(JsonParseErrors, NestingIsBoundedWhereverTheInputEnds) {
  const int bound = 512;
  std::wstring deepest = std::wstring(bound, L'[') + std::wstring(bound, L']');
  EXPECT_NE(parse_json(0, deepest.c_str()), 0);

  std::wstring objects;
  for (int i = 0; i < bound; i++) objects += L"{\"a\":";
  objects += L"[";
  EXPECT_EQ(parse_json(0, objects.c_str()), 0);
  EXPECT_STREQ(json_error->message, "Nesting too deep");
  EXPECT_EQ(json_error->column, bound * 5 + 1);

  // Far more levels than the stack could hold one frame each for.
  std::wstring flood(100000, L'[');
  EXPECT_EQ(parse_json(0, flood.c_str()), 0);
  EXPECT_STREQ(json_error->message, "Nesting too deep");
  EXPECT_EQ(json_error->line, 1);
  EXPECT_EQ(json_error->column, bound + 1);
}

}  // namespace
