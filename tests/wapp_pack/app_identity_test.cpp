// What the packer reads to name the app: the page's title as a browser
// shows it, the versions a version resource can carry, the version
// resource itself, and the names a message offers for a mistyped one.
#include "app_identity.h"
#include "packer_test_support.h"
#include "version_resource.h"

namespace {

TEST(AppIdentity, PageTitlesAsTheBrowserShowsThem) {
  struct {
    const char* html;
    const char* title;
  } cases[] = {
      {"<title>Plain</title>", "Plain"},
      {"<TITLE lang=en>\n  Two\t words \n</TITLE>", "Two words"},
      {"<title>Caf&eacute; &amp; Bar &lt;3 &#233;&#x1F600; &#0; &bogus;</title>",
       "Caf&eacute; & Bar <3 \xC3\xA9\xF0\x9F\x98\x80 &#0; &bogus;"},
      {"<!-- <title>Commented</title> --><title>Real</title>", "Real"},
      {"<script>document.write('<title>x</title>')</script><title>After</title>", "After"},
      {"<titles>no</titles><title>Yes</title>", "Yes"},
      {"<title>Never closed", ""},
      {"<p>none</p>", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(page_title_of(c.html), c.title) << c.html;
}

TEST(AppIdentity, VersionsTheResourceCanCarry) {
  struct {
    const char* text;
    bool taken;
    std::array<uint16_t, 4> numbers;
  } cases[] = {
      {"1", true, {1, 0, 0, 0}},          {"1.2.3", true, {1, 2, 3, 0}},
      {"65535.0.1.7", true, {65535, 0, 1, 7}}, {"2.0.0-beta.1", true, {2, 0, 0, 0}},
      {"1.2+build.5", true, {1, 2, 0, 0}}, {"1.2.3.4.5", false, {}},
      {"1.65536", false, {}},             {"v1.2", false, {}},
      {"1.2-", false, {}},                {"1..2", false, {}},
      {"", false, {}},                    {"1.2 beta", false, {}},
  };
  for (const auto& c : cases) {
    std::array<uint16_t, 4> numbers;
    EXPECT_EQ(read_app_version(c.text, numbers), c.taken) << c.text;
    if (c.taken) {
      EXPECT_EQ(numbers, c.numbers) << c.text;
    }
  }
}

TEST(AppIdentity, TheVersionResourceReadsBackInEveryLanguageItWasIn) {
  app_identity identity;
  identity.name = "Notes \xF0\x9F\x98\x80";  // past the 16 bits: a surrogate pair
  identity.version = "3.1.4-rc";
  identity.numbers = {3, 1, 4, 0};
  version_info info = version_info_of(identity, "Notes.exe"), back;
  // A launcher with its version in two languages keeps both.
  std::vector<resource_item> items = {{{resource_type_version, {}}, {1, {}}, 0x409, 0, "old"},
                                      {{resource_type_version, {}}, {1, {}}, 0x407, 0, "alt"}};
  resource_change change = plan_version_change(items, info);
  ASSERT_EQ(change.added.size(), 2u);
  for (const auto& item : change.added) {
    ASSERT_TRUE(read_version_resource(item.data, back));
    EXPECT_EQ(back.numbers, info.numbers);
    EXPECT_EQ(back.texts, info.texts);
    EXPECT_EQ(item.data.size() % 4, 0u);
  }
  EXPECT_EQ(info.texts, (std::vector<std::pair<std::string, std::string>>{
                            {"FileDescription", "Notes \xF0\x9F\x98\x80"}, {"FileVersion", "3.1.4-rc"},
                            {"InternalName", "Notes"}, {"OriginalFilename", "Notes.exe"},
                            {"ProductName", "Notes \xF0\x9F\x98\x80"}, {"ProductVersion", "3.1.4-rc"}}));
  EXPECT_FALSE(read_version_resource(std::string(40, 'x'), back));
}

TEST(AppIdentity, TheNearestNameForAMistypedOne) {
  struct {
    std::string (*suggest)(std::string_view);
    const char* given;
    const char* said;
  } cases[] = {
      {option_suggestion, "--titel", " (did you mean --title?)"},
      {option_suggestion, "--Virtual-Host", " (did you mean --virtual-host?)"},
      {option_suggestion, "--Fullscreen", " (did you mean --fullscreen?)"},
      {option_suggestion, "-x", " (see --help)"},
      {config_key_suggestion, "window_title", " (did you mean \"title\"?)"},
      {config_key_suggestion, "maximize", " (did you mean \"noMaximize\"?)"},
      {config_key_suggestion, "colour", " (the keys are the long options in camelCase: see --help)"},
      {setting_key_suggestion, "title", " (did you mean \"WindowTitle\"?)"},
      {setting_key_suggestion, "virtualHost", " (did you mean \"VirtualHost\"?)"},
      {setting_key_suggestion, "ExeFileName", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.suggest(c.given), c.said) << c.given;
}

}  // namespace
