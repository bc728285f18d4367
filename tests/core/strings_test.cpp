#include "runtime/core/strings.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/core/memory.h"

namespace {

std::wstring built(const text_scope& scope) { return scope.text(); }

TEST(Accumulator, ConcatenationThatOutgrowsTheBufferMovesItIntact) {
  text_scope scope;
  std::wstring piece(3000, L'a');
  const char* before = accumulator.buffer;
  int64_t capacity = accumulator.capacity;
  append_text(piece.c_str());
  append_text(L"-");
  // Appending a text that lies in the accumulator itself, across a move.
  append_text(scope.text());
  EXPECT_GT(accumulator.capacity, capacity);
  (void)before;
  EXPECT_EQ(built(scope), piece + L"-" + piece + L"-");
}

TEST(Accumulator, ShrinksBackAfterATextOverOneMebibyte) {
  {
    text_scope scope;
    std::wstring big(700000, L'x');  // 1.4 MB of UTF-16
    append_text(big.c_str());
    EXPECT_GT(accumulator.capacity, 1048576);
  }
  text_scope scope;
  append_text(L"small");
  EXPECT_EQ(accumulator.capacity, 1048576);
  EXPECT_EQ(built(scope), L"small");
}

TEST(Accumulator, StoreCopiesIntoAVariableAndRewinds) {
  string_var v;
  int64_t start = accumulator.offset;
  append_text(L"abc");
  append_text(nullptr);
  append_text(L"def");
  v.store(start);
  EXPECT_EQ(accumulator.offset, start);
  EXPECT_STREQ(v.c_str(), L"abcdef");
  append_text(L"x");
  v.store(start);  // re-uses the variable's block
  EXPECT_STREQ(v.c_str(), L"x");
}

TEST(Accumulator, PositionOfTellsAccumulatorAddressesApart) {
  text_scope scope;
  append_text(L"hello");
  EXPECT_EQ(accumulator_position_of(scope.text()), scope.start() + 1);
  EXPECT_EQ(accumulator_address(scope.start() + 1), scope.text());
  static const wchar_t outside[] = L"elsewhere";
  EXPECT_EQ(accumulator_position_of(outside), 0);
}

TEST(Accumulator, EmptyTextAtAndGiveBack) {
  text_scope scope;
  append_text(L"abcd");
  give_back_characters(2);
  EXPECT_EQ(accumulator.offset, scope.start() + 4);
  wchar_t* empty = empty_text_at(scope.start());
  EXPECT_EQ(*empty, 0);
  EXPECT_EQ(accumulator.offset, scope.start());
}

TEST(Texts, EqualityIsExactAndNoneIsEmpty) {
  EXPECT_TRUE(texts_equal(nullptr, L""));
  EXPECT_TRUE(texts_equal(L"WAPP", L"WAPP"));
  EXPECT_FALSE(texts_equal(L"WAPP", L"wapp"));
  EXPECT_FALSE(texts_equal(L"WAP", L"WAPP"));
}

TEST(Texts, StringToInteger) {
  struct { const wchar_t* text; int64_t value; } cases[] = {
      {L"800", 800},   {L"  -12", -12}, {L"\t+7", 7},   {L"- 5", 0},      {L"$ff", 255},
      {L"$FF", 255},   {L"%101", 5},    {L"12abc", 12}, {L"", 0},         {L"abc", 0},
      {L"%102", 2},    {L"$1g", 1},     {L"01", 1},     {L"-$10", -16},
      {L"9223372036854775808", INT64_MIN},
  };
  for (auto& c : cases) EXPECT_EQ(string_to_integer(c.text), c.value) << (const wchar_t*)c.text;
  EXPECT_EQ(string_to_integer(nullptr), 0);
}

TEST(Texts, BytesToString) {
  text_scope scope;
  EXPECT_STREQ(bytes_to_string("WAPP", 4, text_format_ascii, accumulator.offset), L"WAPP");
  EXPECT_STREQ(bytes_to_string("abc\0def", 7, text_format_ascii, scope.start()), L"abc");
  EXPECT_STREQ(bytes_to_string("abc", 0, text_format_ascii, scope.start()), L"");
  EXPECT_STREQ(bytes_to_string("abc", -7, text_format_ascii, scope.start()), L"");
  EXPECT_STREQ(bytes_to_string("zero-ended", -1, text_format_utf8, scope.start()), L"zero-ended");
  // Exactly the given bytes: the third character's bytes are not read.
  const char utf8[] = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  EXPECT_STREQ(bytes_to_string(utf8, 5, text_format_utf8, scope.start()), L"\u00E9\u20AC");
  EXPECT_STREQ(bytes_to_string(utf8, 9, text_format_utf8, scope.start()), L"\u00E9\u20AC\U0001F600");
}

TEST(Texts, Utf8RoundTrip) {
  const wchar_t* text = L"Caf\u00E9 \U0001F600";
  char* bytes = utf8_copy_of(text);
  EXPECT_STREQ(bytes, "Caf\xC3\xA9 \xF0\x9F\x98\x80");
  text_scope scope;
  EXPECT_STREQ(utf8_to_text(bytes, scope.start()), text);
  free(bytes);
  char* empty = utf8_copy_of(nullptr);
  EXPECT_STREQ(empty, "");
  free(empty);
  EXPECT_STREQ(utf8_to_text(nullptr, scope.start()), L"");
}

TEST(Memory, BlocksAreZeroFilledAndEmptySizesGiveNone) {
  EXPECT_EQ(allocate_memory(0), nullptr);
  EXPECT_EQ(allocate_memory(-5), nullptr);
  auto* block = (unsigned char*)allocate_memory(100);
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 100; i++) ASSERT_EQ(block[i], 0);
}

TEST(Memory, ArraysRecordTheirOwnerAndReplaceTheOldArray) {
  void* owner = nullptr;
  auto* first = (unsigned char*)allocate_array(1, 4, 1, nullptr, &owner);
  ASSERT_EQ(owner, first);
  auto* header = (array_header*)first - 1;
  EXPECT_EQ(header->count, 4);
  EXPECT_EQ(header->dimensions, 1);
  auto* second = allocate_array(8, 3, 1, nullptr, &owner);
  EXPECT_EQ(owner, second);
  free_array(second);
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(allocate_array(1, 0, 1, nullptr, &owner), nullptr);
}

}  // namespace
