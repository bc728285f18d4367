// The entry-name rule on the table of names every reader must agree on, in
// each form a caller may hold a name: UTF-8, UTF-16, and wide text.
#include <gtest/gtest.h>

#include <string>

#include "payload/entry_names.h"
#include "support/entry_name_cases.h"

namespace {

std::u16string utf16_of(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    int length = utf8_sequence_length(utf8, i);
    auto b = (uint8_t)utf8[i];
    char32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; k++) c = c << 6 | ((uint8_t)utf8[i + k] & 0x3F);
    i += length ? length : 1;
    if (c >= 0x10000) out += {(char16_t)(0xD800 + ((c - 0x10000) >> 10)), (char16_t)(0xDC00 + (c & 0x3FF))};
    else out += (char16_t)c;
  }
  return out;
}

TEST(EntryNames, OneVerdictPerNameInEveryForm) {
  auto cases = entry_name_cases();
  for (auto [name, verdict] : {std::pair<const char*, entry_name_verdict>{"", entry_name_verdict::no_name},
                               {".", entry_name_verdict::no_name},
                               {"./", entry_name_verdict::no_name},
                               {"/", entry_name_verdict::absolute},
                               {"..", entry_name_verdict::parent},
                               {"...", entry_name_verdict::dot_or_space},
                               {"a\\..\\x", entry_name_verdict::parent},
                               {"CONOUT$.log", entry_name_verdict::device},
                               {"a/com1/b", entry_name_verdict::device},
                               {"conoutx", entry_name_verdict::unpacked},
                               {"\xFF\xFE.txt", entry_name_verdict::unpacked}})
    cases.push_back({name, verdict, name_outcome::unpacked, ""});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string utf16 = utf16_of(c.name);
    EXPECT_EQ(judge_entry_name(c.name), c.verdict);
    EXPECT_EQ(judge_entry_name(utf16), c.verdict);
    EXPECT_EQ(judge_entry_name(std::wstring(utf16.begin(), utf16.end())), c.verdict);
    EXPECT_EQ(entry_name_reason(c.verdict)[0] == 0, c.verdict == entry_name_verdict::unpacked);
    if (is_utf8(c.name)) {
      EXPECT_EQ(utf16_length(c.name), utf16.size());
    }
  }
  EXPECT_FALSE(is_utf8("caf\xE9"));
  EXPECT_FALSE(is_utf8("\xED\xA0\x80"));  // a surrogate
}

}  // namespace
