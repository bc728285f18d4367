#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>

#include "json/json_test_support.h"

namespace {

TEST(JsonParseValues, ScalarsEvenUnderADecimalComma) {
  // Under this locale the C library itself reads "1.5" as 1.
  ASSERT_NE(setlocale(LC_ALL, "German_Germany.1252"), nullptr);
  ASSERT_EQ(localeconv()->decimal_point[0], ',');
  const struct { const wchar_t* text; int32_t kind; uint16_t form; int64_t integer; double real; } cases[] = {
      {L"01", json_kind_number, json_integer, 1, 0},
      {L"-0", json_kind_number, json_integer, 0, 0},
      {L" -12\r\n", json_kind_number, json_integer, -12, 0},
      {L"9223372036854775808", json_kind_number, json_integer, INT64_MIN, 0},
      {L"1e3", json_kind_number, json_float, 0, 1000.0},
      {L"1.0", json_kind_number, json_float, 0, 1.0},
      {L"-2.5E-1", json_kind_number, json_float, 0, -0.25},
      {L"0.125e+2", json_kind_number, json_float, 0, 12.5},
      {L"true", json_kind_boolean, json_integer, 1, 0},
      {L"false", json_kind_boolean, json_integer, 0, 0},
      {L"null", json_kind_null, json_integer, 0, 0},
      {L"7\0garbage", json_kind_number, json_integer, 7, 0},  // a NUL unit ends the input
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_NE(parse_json(0, c.text), 0);
    json_value* root = json_root(0);
    EXPECT_EQ(root->kind, c.kind);
    EXPECT_EQ(root->number_form, c.form);
    if (c.form == json_float) {
      EXPECT_DOUBLE_EQ(root->payload.real, c.real);
    } else {
      EXPECT_EQ(root->payload.integer, c.integer);
    }
  }
  setlocale(LC_ALL, "C");
}

TEST(JsonParseValues, StringEscapesSurrogatesAndEmbeddedZero) {
  std::wstring beyond_token_buffer(3000, L'y');
  std::wstring long_json = L"\"" + beyond_token_buffer + L"\"";
  const struct { const wchar_t* text; std::wstring expected; } cases[] = {
      {long_json.c_str(), beyond_token_buffer},
      {L"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", L"\"\\/\b\f\n\r\t"},
      {L"\"\\u0041\\u00e9\\u00C9\"", L"A\u00e9\u00c9"},
      {L"\"a\\u0000b\"", L"a"},
      {L"\"\\uD83D\\uDE00\"", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}},
      {L"\"\\uD800x\"", std::wstring{wchar_t(0xD800), L'x'}},
      {L"\"raw\ttab\nline\xFEFF\"", L"raw\ttab\nline\xFEFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_NE(parse_json(0, c.text), 0);
    EXPECT_EQ(json_root(0)->kind, json_kind_string);
    EXPECT_EQ(string_of(json_root(0)), c.expected);
  }
  ASSERT_NE(parse_json(0, L"\"\""), 0);
  EXPECT_EQ(json_root(0)->kind, json_kind_string);
  EXPECT_EQ(json_root(0)->payload.text, nullptr);
}

TEST(JsonParseValues, ArraysKeepSourceOrder) {
  ASSERT_NE(parse_json(0, L"[ 1 , \"b\" ,[],{}, [null] ]"), 0);
  linked_list* elements = json_root(0)->payload.elements;
  ASSERT_EQ(elements->count, 5);
  list_node* node = elements->first;
  for (int32_t kind : {json_kind_number, json_kind_string, json_kind_array, json_kind_object, json_kind_array}) {
    EXPECT_EQ(((json_value*)list_element(node))->kind, kind);
    node = node->next;
  }
}

TEST(JsonParseValues, MemberNames) {
  // The last occurrence wins, in the first occurrence's entry.
  ASSERT_NE(parse_json(0, L"{\"a\":[{\"b\":[1]}],\"b\":2,\"a\":\"x\"}"), 0);
  EXPECT_EQ(json_root(0)->payload.members->count, 2);
  EXPECT_EQ(string_of(member_of(0, L"a")), L"x");
  // A name ends at an escaped zero; the empty name is a name.
  ASSERT_NE(parse_json(0, L"{\"a\\u0000b\":1,\"\":2}"), 0);
  EXPECT_EQ(member_of(0, L"a")->payload.integer, 1);
  EXPECT_EQ(member_of(0, nullptr)->payload.integer, 2);
}

TEST(JsonParseValues, CaseInsensitiveFlagReachesNestedObjects) {
  const wchar_t* cursor = L"{\"Outer\":[{\"Inner\":\"v\"}]}";
  ASSERT_NE(parse_json_source(0, &cursor, read_text_unit, json_names_ignore_case | 1), 0);
  EXPECT_EQ(json_root(0)->flags, json_names_ignore_case);
  json_value* outer = member_of(0, L"OUTER");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(string_of(json_member((json_value*)list_element(outer->payload.elements->first), L"inner")), L"v");
}

}  // namespace
