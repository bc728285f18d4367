// Launcher settings from documents given as UTF-8 bytes, as the payload
// trailer hands them over.
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
  bool load(const void* bytes, int32_t length) {
    int64_t start = accumulator.offset;
    settings_document_text(bytes, length, start);
    text.store(start);
    if (!parse_json(0, text.c_str())) return false;
    read_launcher_settings(json_root(0), settings);
    return true;
  }
  bool load(const std::string& utf8) { return load(utf8.data(), (int32_t)utf8.size()); }
  string_var text;
  launcher_settings settings;
};

TEST_F(Settings, DocumentsGiveSizesTextsAndTheFlagWord) {
  struct {
    const char* document;  // none: no JSON text in the payload
    int64_t width, height;
    const wchar_t *title, *start;
    int64_t flags;
  } cases[] = {
      {nullptr, 800, 600, L"App por defecto", L"https://www.wikipedia.org/", 0x00CB0000},
      {"{}", 800, 600, L"Mi App", L"#", 0x00CB0000},
      {"{\r\n  \"ExeFileName\": \"demo.exe\",\r\n  \"WindowWidth\": \"500\",\r\n  \"WindowHeight\": \"850\",\r\n"
       "  \"WindowTitle\": \"Demo\",\r\n  \"StartURL\": \"index.html\",\r\n  \"AlwaysOnTop\": \"0\",\r\n"
       "  \"ShowMinimizeButton\": \"0\",\r\n  \"ShowMaximizeButton\": \"0\",\r\n  \"Fullscreen\": \"0\",\r\n"
       "  \"Frameless\": \"0\",\r\n  \"Resizable\": \"0\"\r\n}",
       500, 850, L"Demo", L"index.html", 0x00C80000},
      // A present member wins over the default whatever its kind; names are case-sensitive.
      {"{\"WindowWidth\":800,\"WindowHeight\":\"\",\"WindowTitle\":null,\"StartURL\":[\"x\"]}", 0, 0, L"", L"",
       0x00CB0000},
      {"{\"windowwidth\":\"5\",\"WINDOWTITLE\":\"x\"}", 800, 600, L"Mi App", L"#", 0x00CB0000},
      {"[\"WindowWidth\",\"5\"]", 800, 600, L"Mi App", L"#", 0x00CB0000},
      {"\"WindowWidth\"", 800, 600, L"Mi App", L"#", 0x00CB0000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document ? c.document : "no JSON text");
    ASSERT_TRUE(c.document ? load(c.document) : load(nullptr, 0));
    EXPECT_EQ(settings.window_width, c.width);
    EXPECT_EQ(settings.window_height, c.height);
    EXPECT_STREQ(settings.window_title.c_str(), c.title);
    EXPECT_STREQ(settings.start_address.c_str(), c.start);
    EXPECT_EQ(settings.window_flags, c.flags);
    EXPECT_EQ(settings.always_on_top, 0);
    EXPECT_EQ(settings.fullscreen, 0);
  }
  EXPECT_EQ(wcspbrk(default_settings_document, L"\r\n\t"), nullptr);
  EXPECT_TRUE(load("{\"WindowTitle\":\"unused\"}", 0));  // a zero length means no text
  EXPECT_STREQ(text.c_str(), default_settings_document);
}

TEST_F(Settings, SwitchesCountOnlyWhenExactlyOneAndTopmostWhenNotZero) {
  struct {
    const char* document;
    int64_t flags, always_on_top;
  } cases[] = {
      {"{\"Resizable\":\"1\"}", 0x00CF0000, 0},
      {"{\"Frameless\":\"1\",\"Resizable\":\"1\"}", 0x80000000, 0},
      {"{\"Frameless\":\"2\",\"Resizable\":\"2\",\"AlwaysOnTop\":\"2\"}", 0x00CB0000, 2},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"2\"}", 0x00C80000, 0},
      {"{\"ShowMaximizeButton\":\"2\",\"AlwaysOnTop\":\"-1\"}", 0x00CA0000, -1},
      {"{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":1}", 0x00C80000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    ASSERT_TRUE(load(c.document));
    EXPECT_EQ(settings.window_flags, c.flags);
    EXPECT_EQ(settings.always_on_top, c.always_on_top);
  }
  for (std::string one : {" 1", "01", "+1", "$1", "%1", "1st"}) {
    SCOPED_TRACE(one);
    ASSERT_TRUE(load("{\"ShowMaximizeButton\":\"0\",\"ShowMinimizeButton\":\"" + one + "\"}"));
    EXPECT_EQ(settings.window_flags, 0x00CA0000);
  }
}

TEST_F(Settings, TheTextIsExactlyTheGivenBytesDecodedFromUtf8) {
  EXPECT_FALSE(load("\xEF\xBB\xBF{}"));  // the byte-order mark is a character
  EXPECT_EQ(text.c_str()[0], 0xFEFF);

  // "Café ☕ 日本 😀", then bytes past the length that would break the parse.
  const std::string document = "{\"WindowTitle\":\"Caf\xC3\xA9 \xE2\x98\x95 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80\"}";
  ASSERT_TRUE(load((document + ",garbage").data(), (int32_t)document.size()));
  EXPECT_STREQ(settings.window_title.c_str(), L"Caf\u00E9 \u2615 \u65E5\u672C \U0001F600");

  ASSERT_TRUE(load(std::string("{}\0{", 4)));  // decoding stops at a zero byte
  EXPECT_STREQ(text.c_str(), L"{}");
}

}  // namespace
