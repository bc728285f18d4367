// Launcher settings from settings documents given as UTF-8 bytes, the way
// they come out of the payload trailer.
#include <gtest/gtest.h>

#include <string>

#include "launcher/settings.h"
#include "runtime/json/json.h"
#include "support/runtime_environment.h"

namespace {

class Settings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { json_library_start(); }
  static void TearDownTestSuite() { json_library_stop(); }

  // Decodes and parses the bytes as document 0 and reads the settings from
  // its root; false when the text does not parse.
  bool load(const std::string& utf8) { return load(utf8.data(), (int32_t)utf8.size()); }
  bool load(const void* block, int32_t length) {
    int64_t start = accumulator.offset;
    settings_document_text(block, length, start);
    text.store(start);
    if (!parse_json(0, text.c_str())) return false;
    read_launcher_settings(json_root(0), settings);
    return true;
  }

  string_var text;
  launcher_settings settings;
};

TEST_F(Settings, WithoutPayloadTextTheBuiltInDocumentIsUsed) {
  const char bytes[] = "{\"WindowTitle\":\"unused\"}";
  for (auto [block, length] : {std::pair<const void*, int32_t>{nullptr, 0}, {nullptr, 25}, {bytes, 0}, {bytes, -1}}) {
    SCOPED_TRACE(length);
    ASSERT_TRUE(load(block, length));
    EXPECT_STREQ(text.c_str(), default_settings_document);
    EXPECT_STREQ(settings.window_title.c_str(), L"App por defecto");
    EXPECT_EQ(settings.window_width, 800);
    EXPECT_EQ(settings.window_height, 600);
    EXPECT_EQ(std::wstring(settings.start_address.c_str()).rfind(L"https://", 0), 0u);
    EXPECT_EQ(settings.window_flags, 0x00CB0000);
    EXPECT_EQ(settings.always_on_top, 0);
    EXPECT_EQ(settings.resizable, 0);
  }
  EXPECT_EQ(wcspbrk(default_settings_document, L"\r\n\t"), nullptr);
}

TEST_F(Settings, AnEmptyDocumentGivesEveryKeysDefault) {
  ASSERT_TRUE(load("{}"));
  EXPECT_STREQ(settings.window_title.c_str(), L"Mi App");
  EXPECT_STREQ(settings.start_address.c_str(), L"#");
  EXPECT_EQ(settings.window_width, 800);
  EXPECT_EQ(settings.window_height, 600);
  EXPECT_EQ(settings.window_flags, 0x00CB0000);
  EXPECT_EQ(settings.fullscreen, 0);
}

TEST_F(Settings, ReferenceSampleDocument) {
  ASSERT_TRUE(load("{\r\n  \"ExeFileName\": \"demo.exe\",\r\n  \"ZipFileName\": \"demo.zip\",\r\n"
                   "  \"AppIcon\": \"icon.ico\",\r\n  \"WindowWidth\": \"500\",\r\n  \"WindowHeight\": \"850\",\r\n"
                   "  \"WindowTitle\": \"Demo\",\r\n  \"StartURL\": \"index.html\",\r\n  \"AlwaysOnTop\": \"0\",\r\n"
                   "  \"ShowMinimizeButton\": \"0\",\r\n  \"ShowMaximizeButton\": \"0\",\r\n"
                   "  \"Fullscreen\": \"0\",\r\n  \"Frameless\": \"0\",\r\n  \"Resizable\": \"0\"\r\n}"));
  EXPECT_EQ(settings.window_width, 500);
  EXPECT_EQ(settings.window_height, 850);
  EXPECT_STREQ(settings.window_title.c_str(), L"Demo");
  EXPECT_STREQ(settings.start_address.c_str(), L"index.html");
  EXPECT_EQ(settings.window_flags, 0x00C80000);
  EXPECT_EQ(settings.always_on_top, 0);
  EXPECT_EQ(settings.fullscreen, 0);
}

TEST_F(Settings, SwitchesMakeTheFlagWord) {
  struct {
    const char* document;
    int64_t flags;
  } cases[] = {
      {"{\"Resizable\":\"1\"}", 0x00CF0000},
      {"{\"ShowMinimizeButton\":\"0\",\"ShowMaximizeButton\":\"0\"}", 0x00C80000},
      {"{\"Frameless\":\"1\",\"Resizable\":\"1\"}", 0x80000000},
      {"{\"Frameless\":\"2\"}", 0x00CB0000},
      {"{\"ShowMaximizeButton\":\"2\"}", 0x00CA0000},
      {"{\"Resizable\":\"true\"}", 0x00CB0000},
      // Only a value that converts to exactly 1 shows the minimize box.
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\" 1\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"01\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"+1\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"$1\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"%1\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"1st\"}", 0x00CA0000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"yes\"}", 0x00C80000},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":1}", 0x00C80000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    ASSERT_TRUE(load(c.document));
    EXPECT_EQ(settings.window_flags, c.flags);
    EXPECT_EQ(window_flag_word(settings), c.flags);
  }
}

TEST_F(Settings, AlwaysOnTopCountsAnyValueButZero) {
  struct {
    const char* document;
    int64_t value;
  } cases[] = {
      {"{\"AlwaysOnTop\":\"2\"}", 2},
      {"{\"AlwaysOnTop\":\"-1\"}", -1},
      {"{\"AlwaysOnTop\":\"1\"}", 1},
      {"{\"AlwaysOnTop\":\"0\"}", 0},
      {"{\"AlwaysOnTop\":true}", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    ASSERT_TRUE(load(c.document));
    EXPECT_EQ(settings.always_on_top, c.value);
  }
}

TEST_F(Settings, APresentMemberWinsOverTheDefaultWhateverItsKind) {
  ASSERT_TRUE(load("{\"WindowWidth\":800,\"WindowHeight\":\"\",\"WindowTitle\":null,\"StartURL\":[\"x\"],"
                   "\"windowwidth\":\"5\",\"Fullscreen\":{\"a\":\"1\"}}"));
  EXPECT_EQ(settings.window_width, 0);
  EXPECT_EQ(settings.window_height, 0);
  EXPECT_STREQ(settings.window_title.c_str(), L"");
  EXPECT_STREQ(settings.start_address.c_str(), L"");
  EXPECT_EQ(settings.fullscreen, 0);

  ASSERT_TRUE(load("{\"windowwidth\":\"5\",\"WINDOWTITLE\":\"x\"}"));  // names are case-sensitive
  EXPECT_EQ(settings.window_width, 800);
  EXPECT_STREQ(settings.window_title.c_str(), L"Mi App");
}

TEST_F(Settings, ARootThatIsNoObjectLeavesEveryDefault) {
  for (const char* document : {"[\"WindowWidth\",\"5\"]", "\"WindowWidth\"", "42", "null"}) {
    SCOPED_TRACE(document);
    ASSERT_TRUE(load(document));
    EXPECT_EQ(settings.window_width, 800);
    EXPECT_STREQ(settings.window_title.c_str(), L"Mi App");
    EXPECT_STREQ(settings.start_address.c_str(), L"#");
    EXPECT_EQ(settings.window_flags, 0x00CB0000);
  }
  text_scope scope;
  EXPECT_STREQ(json_string_or_default(nullptr, L"WindowTitle", L"fallback", scope.start()), L"fallback");
}

TEST_F(Settings, AByteOrderMarkIsDecodedAndFailsTheParse) {
  EXPECT_FALSE(load("\xEF\xBB\xBF{}"));
  EXPECT_EQ(text.c_str()[0], 0xFEFF);
}

TEST_F(Settings, TheTextIsExactlyTheGivenBytesDecodedFromUtf8) {
  // "Café ☕ 日本 😀" followed by bytes past the length that would break the parse.
  const std::string document = "{\"WindowTitle\":\"Caf\xC3\xA9 \xE2\x98\x95 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\"}";
  const std::string bytes = document + ",garbage";
  ASSERT_TRUE(load(bytes.data(), (int32_t)document.size()));
  EXPECT_STREQ(settings.window_title.c_str(), L"Caf\u00E9 \u2615 \u65E5\u672C \U0001F600");
  EXPECT_EQ(std::wstring(settings.window_title.c_str()).size(), 12u);  // the emoji is a surrogate pair

  // Decoding stops at a zero byte within the length.
  const std::string zero_inside = std::string("{}\0{", 4);
  ASSERT_TRUE(load(zero_inside));
  EXPECT_STREQ(text.c_str(), L"{}");
}

}  // namespace
