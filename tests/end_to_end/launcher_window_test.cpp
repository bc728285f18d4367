// Real launcher processes: the window each payload gives, what the web app
// folder holds while it is open, and a clean end with exit code 0.
#include "launcher_driver.h"

namespace {

using LauncherWindow = end_to_end_test;

constexpr LONG shape_bits = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

int width_of(const RECT& r) { return r.right - r.left; }
int height_of(const RECT& r) { return r.bottom - r.top; }

entry_list reference_app() {
  return {{L"css/", ""},
          {L"css/style.css", "body { margin: 0 }"},
          {L"fonts/", ""},
          {L"fonts/app.woff2", std::string(3000, 'w')},
          {L"img/", ""},
          {L"img/logo.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>"},
          {L"js/", ""},
          {L"js/app.js", "document.title = 'Reference'"},
          {L"index.html", "<!doctype html><link rel=stylesheet href=css/style.css><script src=js/app.js></script>"},
          {L"package.json", "{\"name\": \"reference\"}"}};
}

TEST_F(LauncherWindow, ReferenceSampleIsCentredAndItsFolderLastsAsLongAsTheWindow) {
  launcher_run run = start(make_launcher(L"reference", settings_document("Reference"), reference_app()));
  ASSERT_TRUE(run.wait_for_window(L"Reference"));
  window_facts window = facts_of(run.window);
  EXPECT_EQ(window.outer.left, (GetSystemMetrics(SM_CXSCREEN) - 500) / 2);
  EXPECT_EQ(window.outer.top, (GetSystemMetrics(SM_CYSCREEN) - 850) / 2);
  EXPECT_EQ(width_of(window.client), 500);
  EXPECT_EQ(height_of(window.client), 850);
  EXPECT_EQ(window.style & shape_bits, 0x00C80000);
  EXPECT_FALSE(window.extended_style & WS_EX_TOPMOST);
  EXPECT_EQ(web_app_folders(),
            (std::set<std::wstring>{L"webapp/", L"webapp/webapp.zip", L"webapp/webapp.lock", L"webapp/index.html",
                                    L"webapp/package.json", L"webapp/css/", L"webapp/css/style.css", L"webapp/fonts/",
                                    L"webapp/fonts/app.woff2", L"webapp/img/", L"webapp/img/logo.svg", L"webapp/js/",
                                    L"webapp/js/app.js"}));
  EXPECT_TRUE(read_file(temp / "webapp" / "webapp.zip") == last_archive);
  EXPECT_EQ(read_file(temp / "webapp" / "fonts" / "app.woff2"), std::string(3000, 'w'));

  // The browser is made at the settings' size and then sent to the page,
  // which it keeps open.
  std::vector<fake_line> lines = run.wait_for_fake_line("document_file");
  EXPECT_EQ(fake_values(lines, "navigate"), (std::vector<std::string>{app_address()}));
  EXPECT_EQ(fake_values(lines, "bounds").at(0), "0 0 500 850");
  EXPECT_EQ(last_fake_value(lines, "visible"), "1");

  // Sizing from outside goes through the launcher's size event to the browser.
  ASSERT_TRUE(SetWindowPos(run.window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
  window = facts_of(run.window);
  EXPECT_EQ(width_of(window.outer), 640);
  lines = run.wait_for_fake_line("bounds", rect_text(window.client));
  EXPECT_EQ(last_fake_value(lines, "bounds"), rect_text(window.client));

  // The browser lets go of the page before the folder goes, and while OLE
  // is still up; the folder could not go otherwise.
  run.close();
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_TRUE(web_app_folders().empty());
  lines = run.fake_log();
  EXPECT_EQ(destroyed_browser_objects(lines), browser_released_in_time);
  EXPECT_EQ(last_fake_value(lines, "can_unload_now"), "0x00000000") << "references left on the browser";
}

TEST_F(LauncherWindow, SwitchesShapeAndPlaceTheWindow) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
  struct {
    const char* title;
    setting_list changes;
    LONG shape;
    bool topmost;
    int x, y, width, height;  // outer position, inner size; a height of -1 is not checked
  } cases[] = {
      // The settings' size gives way to desktop 0's.
      {"Full screen", {{"Fullscreen", "1"}, {"Frameless", "1"}}, (LONG)WS_POPUP, false, 0, 0, screen_width,
       screen_height},
      // The caption lies above the inner area, so the window is taller than
      // the desktop: more than the system lets a captioned window grow.
      {"Full screen with a caption", {{"Fullscreen", "1"}}, 0x00C80000, false, 0, 0, screen_width, -1},
      {"Topmost",
       {{"AlwaysOnTop", "2"}, {"Resizable", "1"}, {"ShowMinimizeButton", "1"}, {"WindowWidth", "801"}},
       0x00CE0000,
       true,
       (screen_width - 801) / 2,
       (screen_height - 850) / 2,
       801,
       850},
      // Wider than the desktop: the centring truncates toward zero (x = -40 for 2001 on 1920).
      {"Frameless",
       {{"Frameless", "1"}, {"Resizable", "1"}, {"ShowMaximizeButton", "1"}, {"WindowWidth", "2001"},
        {"WindowHeight", "301"}},
       (LONG)WS_POPUP,
       false,
       (screen_width - 2001) / 2,
       (screen_height - 301) / 2,
       2001,
       301},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    launcher_run run = start(make_launcher(title, settings_document(c.title, c.changes), reference_app()));
    ASSERT_TRUE(run.wait_for_window(title));
    window_facts window = facts_of(run.window);
    EXPECT_EQ(window.style & shape_bits, c.shape);
    EXPECT_EQ((window.extended_style & WS_EX_TOPMOST) != 0, c.topmost);
    EXPECT_EQ(window.outer.left, c.x);
    EXPECT_EQ(window.outer.top, c.y);
    EXPECT_EQ(width_of(window.client), c.width);
    if (c.height >= 0) {
      EXPECT_EQ(height_of(window.client), c.height);
    }
    // The browser fills the inner area from the start, also where the
    // system held the window below the size asked for.
    std::vector<fake_line> lines = run.wait_for_fake_line("navigate");
    EXPECT_EQ(fake_values(lines, "bounds").at(0), rect_text(window.client));
    EXPECT_EQ(last_fake_value(lines, "bounds"), rect_text(window.client));
    EXPECT_EQ(fake_values(lines, "navigate"), (std::vector<std::string>{app_address()}));
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  }
  EXPECT_TRUE(web_app_folders().empty());
}

TEST_F(LauncherWindow, PayloadsWithoutAnAppShowTheStartAddressAndUnpackNothing) {
  const std::string start_address = "https://example.org/start?from=wapp";
  struct {
    const wchar_t* name;
    fs::path launcher;
    const wchar_t* title;  // none: no window is expected
    int width, height;
    LONG shape;
    std::string address;
  } cases[] = {
      {L"no archive",
       make_launcher(L"no-archive", settings_document("Start address", {{"StartURL", start_address}}), entry_list{}),
       L"Start address", 500, 850, 0x00C80000, start_address},
      // The folder was made for it, and goes again at once.
      {L"an archive that is not one",
       make_launcher(L"not-zip", settings_document("Not a zip", {{"StartURL", start_address}}), "not an archive"),
       L"Not a zip", 500, 850, 0x00C80000, start_address},
      {L"no payload", plain_launcher(L"plain"), L"App por defecto", 800, 600, 0x00CB0000,
       "https://www.wikipedia.org/"},
      {L"settings that do not parse",
       make_launcher(L"broken", "{\"WindowTitle\": \"Broken\"", {{L"index.html", "never unpacked"}}), nullptr, 0, 0,
       0, ""},
      {L"settings after a byte-order mark",
       make_launcher(L"bom", "\xEF\xBB\xBF" + settings_document("Marked"), {{L"index.html", "never unpacked"}}),
       nullptr, 0, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    launcher_run run = start(c.launcher);
    if (c.title) {
      ASSERT_TRUE(run.wait_for_window(c.title));
      window_facts window = facts_of(run.window);
      EXPECT_EQ(width_of(window.client), c.width);
      EXPECT_EQ(height_of(window.client), c.height);
      EXPECT_EQ(window.style & shape_bits, c.shape);
      EXPECT_TRUE(web_app_folders().empty());
      std::vector<fake_line> lines = run.wait_for_fake_line("navigate");
      EXPECT_EQ(fake_values(lines, "navigate"), (std::vector<std::string>{c.address}));
      EXPECT_EQ(fake_values(lines, "bounds").at(0), "0 0 " + std::to_string(c.width) + " " + std::to_string(c.height));
      run.close();
    }
    EXPECT_EQ(run.wait_for_exit(), 0u);
    EXPECT_TRUE(tree_of(temp).empty());
    // Without a window there is no browser either.
    if (!c.title) {
      EXPECT_TRUE(run.fake_log().empty());
    }
  }
}

}  // namespace
