#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "json/json_test_support.h"

namespace {

struct number_case {
  const wchar_t* text;
  int64_t integer;
};

TEST(JsonParseValues, IntegersWrapAndKeepLeadingZeros) {
  const number_case cases[] = {
      {L"01", 1}, {L"007", 7}, {L"-0", 0}, {L" -12 ", -12}, {L"12", 12},
      {L"9223372036854775807", INT64_MAX}, {L"9223372036854775808", INT64_MIN},
  };
  for (const number_case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_NE(parse_json(0, c.text), 0);
    json_value* root = json_root(0);
    EXPECT_EQ(root->kind, json_kind_number);
    EXPECT_EQ(root->number_form, json_integer);
    EXPECT_EQ(root->payload.integer, c.integer);
  }
}

TEST(JsonParseValues, FractionsAndExponentsAreDoublesEvenUnderADecimalComma) {
  // Under this locale the C library itself reads "1.5" as 1.
  ASSERT_NE(setlocale(LC_ALL, "German_Germany.1252"), nullptr);
  ASSERT_EQ(localeconv()->decimal_point[0], ',');
  const struct { const wchar_t* text; double real; } cases[] = {
      {L"1e3", 1000.0}, {L"1.0", 1.0}, {L"-2.5E-1", -0.25}, {L"[1.5]", 1.5}, {L"0.125e+2", 12.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_NE(parse_json(0, c.text), 0);
    json_value* value = json_root(0);
    if (value->kind == json_kind_array) value = (json_value*)list_element(value->payload.elements->first);
    EXPECT_EQ(value->kind, json_kind_number);
    EXPECT_EQ(value->number_form, json_float);
    EXPECT_DOUBLE_EQ(value->payload.real, c.real);
  }
  setlocale(LC_ALL, "C");
}

TEST(JsonParseValues, StringEscapesSurrogatesAndEmbeddedZero) {
  const struct { const wchar_t* text; std::wstring expected; } cases[] = {
      {L"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", L"\"\\/\b\f\n\r\t"},
      {L"\"\\u0041\\u00e9\\u00C9\"", L"A\u00e9\u00c9"},
      {L"\"a\\u0000b\"", L"a"},
      {L"\"\\uD83D\\uDE00\"", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}},
      {L"\"\\uD800x\"", std::wstring{wchar_t(0xD800), L'x'}},
      {L"\"raw\ttab\nline\"", L"raw\ttab\nline"},
      {L"\"\xFEFF\"", L"\xFEFF"},
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

TEST(JsonParseValues, LiteralsAndTheEndOfTheText) {
  ASSERT_NE(parse_json(0, L"true"), 0);
  EXPECT_EQ(json_root(0)->kind, json_kind_boolean);
  EXPECT_EQ(json_root(0)->payload.boolean, 1);
  ASSERT_NE(parse_json(0, L" false\r\n"), 0);
  EXPECT_EQ(json_root(0)->payload.boolean, 0);
  ASSERT_NE(parse_json(0, L"null"), 0);
  EXPECT_EQ(json_root(0)->kind, json_kind_null);
  // A NUL unit ends the input, whatever follows it.
  ASSERT_NE(parse_json(0, L"[7]\0garbage"), 0);
}

TEST(JsonParseValues, ArraysKeepSourceOrderAndNest) {
  ASSERT_NE(parse_json(0, L"[ 1 , \"b\" ,[],{}, [null] ]"), 0);
  linked_list* elements = json_root(0)->payload.elements;
  ASSERT_EQ(elements->count, 5);
  const int32_t kinds[] = {json_kind_number, json_kind_string, json_kind_array, json_kind_object, json_kind_array};
  list_node* node = elements->first;
  for (int32_t kind : kinds) {
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(((json_value*)list_element(node))->kind, kind);
    node = node->next;
  }
}

TEST(JsonParseValues, LastOccurrenceOfANameWins) {
  ASSERT_NE(parse_json(0, L"{\"a\":1,\"a\":\"x\"}"), 0);
  EXPECT_EQ(json_root(0)->payload.members->count, 1);
  EXPECT_EQ(string_of(member_of(0, L"a")), L"x");
  // The replaced value was a container: its tree goes, the entry stays.
  ASSERT_NE(parse_json(0, L"{\"a\":[{\"b\":[1]}],\"b\":2,\"a\":null}"), 0);
  EXPECT_EQ(json_root(0)->payload.members->count, 2);
  EXPECT_EQ(member_of(0, L"a")->kind, json_kind_null);
}

TEST(JsonParseValues, MemberNamesEndAtAnEscapedZero) {
  ASSERT_NE(parse_json(0, L"{\"a\\u0000b\":1,\"\":2}"), 0);
  EXPECT_EQ(member_of(0, L"a")->payload.integer, 1);
  EXPECT_EQ(member_of(0, L"")->payload.integer, 2);
  EXPECT_EQ(member_of(0, nullptr)->payload.integer, 2);
}

TEST(JsonParseValues, CaseInsensitiveFlagReachesNestedObjects) {
  const wchar_t* cursor = L"{\"Outer\":[{\"Inner\":\"v\"}]}";
  ASSERT_NE(parse_json_source(0, &cursor, read_text_unit, json_names_ignore_case | 1), 0);
  json_value* outer = member_of(0, L"OUTER");
  ASSERT_NE(outer, nullptr);
  json_value* inner = (json_value*)list_element(outer->payload.elements->first);
  EXPECT_EQ(string_of(json_member(inner, L"inner")), L"v");
  EXPECT_EQ(json_root(0)->flags, json_names_ignore_case);
}

}  // namespace
