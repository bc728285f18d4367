#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

#include "json/json_test_support.h"
#include "runtime/core/runtime_globals.h"

namespace {

TEST(JsonDocuments, FailedParseKeepsTheOldDocumentAndSuccessReplacesIt) {
  EXPECT_EQ(json_root(5), nullptr);
  EXPECT_EQ(parse_json(5, L"{"), 0);
  EXPECT_EQ(json_root(5), nullptr);

  ASSERT_NE(parse_json(5, L"{\"WindowTitle\":\"old\"}"), 0);
  EXPECT_EQ(parse_json(5, L"{\"WindowTitle\":\"new\""), 0);
  EXPECT_EQ(string_of(member_of(5, L"WindowTitle")), L"old");

  ASSERT_NE(parse_json(5, L"{\"WindowTitle\":\"new\"}"), 0);
  EXPECT_EQ(string_of(member_of(5, L"WindowTitle")), L"new");
  release_json_document(5);
  EXPECT_EQ(json_root(5), nullptr);
}

TEST(JsonDocuments, NumbersBeyondTheFirstSlotsAndFreshIdentifiers) {
  ASSERT_NE(parse_json(20, L"20"), 0);
  int64_t first = parse_json(any_number, L"\"first\"");
  int64_t second = parse_json(any_number, L"\"second\"");
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(json_root(20)->payload.integer, 20);
  EXPECT_EQ(string_of(json_root(first)), L"first");
  EXPECT_EQ(string_of(json_root(second)), L"second");

  release_json_document(first);
  EXPECT_EQ(json_root(first), nullptr);
  EXPECT_EQ(string_of(json_root(second)), L"second");
  release_json_document(any_number);
  EXPECT_EQ(json_root(second), nullptr);
  EXPECT_EQ(json_root(20), nullptr);
}

TEST(JsonDocuments, MembersOfSettingsLikeDocument) {
  ASSERT_NE(parse_json(0, L"{\"StartURL\":\"\",\"WindowTitle\":null,\"WindowWidth\":800}"), 0);
  for (const wchar_t* name : {L"StartURL", L"WindowTitle", L"WindowWidth"}) {
    SCOPED_TRACE(testing::Message() << name);
    json_value* member = member_of(0, name);
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(string_of(member), L"");
  }
  EXPECT_EQ(member_of(0, L"WindowTitle")->kind, json_kind_null);
  EXPECT_EQ(member_of(0, L"windowwidth"), nullptr);
  EXPECT_EQ(member_of(0, L"Missing"), nullptr);
}

TEST(JsonDocuments, OnlyObjectsHaveMembersAndOnlyStringsHaveText) {
  const struct { const wchar_t* text; std::wstring string; } cases[] = {
      {L"null", L""}, {L"\"WindowWidth\"", L"WindowWidth"}, {L"800", L""}, {L"8.5", L""},
      {L"true", L""}, {L"[\"WindowWidth\"]", L""}, {L"{\"WindowWidth\":\"x\"}", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text);
    ASSERT_NE(parse_json(0, c.text), 0);
    EXPECT_EQ(string_of(json_root(0)), c.string);
    if (json_root(0)->kind != json_kind_object) {
      EXPECT_EQ(member_of(0, L"WindowWidth"), nullptr);
    }
  }
  EXPECT_EQ(json_member(nullptr, L"a"), nullptr);
  EXPECT_EQ(string_of(nullptr), L"");
}

TEST(JsonDocuments, StringTextIsProducedAtTheGivenOffset) {
  std::wstring text = L"Gr\u00fc\u00dfe \u4e16\u754c ";
  text += {wchar_t(0xD83D), wchar_t(0xDE00)};
  ASSERT_NE(parse_json(0, (L"{\"t\":\"" + text + L"\"}").c_str()), 0);
  text_scope scope;
  append_text(L"<");
  wchar_t* result = json_string(member_of(0, L"t"), accumulator.offset);
  EXPECT_EQ(std::wstring(result), text);
  EXPECT_EQ(accumulator.offset, scope.start() + 2 * (int64_t)(1 + text.size()));
  EXPECT_EQ(std::wstring(scope.text()), L"<" + text);
}

int64_t runtime_heap_in_use() {
  int64_t bytes = 0;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(runtime.heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
  }
  return bytes;
}

// Replacing, failing and duplicating must give back every string copy, node,
// member entry, table and token buffer they took.
TEST(JsonDocuments, TreesGiveBackAllTheirMemory) {
  release_json_document(any_number);
  ASSERT_NE(parse_json(0, L"1"), 0);
  int64_t before = runtime_heap_in_use();
  ASSERT_GT(before, 0);
  std::wstring long_string = L"\"" + std::wstring(5000, L'x') + L"\"";
  const wchar_t* texts[] = {
      L"{\"a\":[1,\"two\",{\"b\":[[],{}]}],\"a\":{\"c\":\"d\"},\"e\":[\"f\",\"g\"]}",
      L"{\"a\":[1,\"two\",{\"b\":[[],{}]}],\"a\":{\"c\":\"d\"},\"e\":[\"f\",\"g\" x]}",
      long_string.c_str(),
      L"[[[[\"unterminated",
  };
  for (const wchar_t* text : texts) parse_json(0, text);
  int64_t identifier = parse_json(any_number, texts[0]);
  ASSERT_NE(identifier, 0);
  release_json_document(identifier);
  ASSERT_NE(parse_json(0, L"1"), 0);
  EXPECT_EQ(runtime_heap_in_use(), before);
}

}  // namespace
