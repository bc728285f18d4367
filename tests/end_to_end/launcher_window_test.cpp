// Real launcher processes: the window each payload gives, what the web app
// folder holds while it is open, and a clean end with exit code 0.
#include <cstdio>

#include "end_to_end_helpers/taskbar.h"
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

// Run at 96 dpi and again at 144 dpi. launcher_with_taskbar's desktop has
// bars docked to its edges (end_to_end_helpers/taskbar.h).
TEST_F(LauncherWindow, SwitchesShapeAndPlaceTheWindow) {
  HDC screen_dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen_dc, LOGPIXELSX);
  ReleaseDC(nullptr, screen_dc);
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, bars = taskbar_work_area();
  RECT work = screen;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  struct {
    const char* title;
    setting_list changes;
    LONG shape;
    bool topmost, taskbar;
    const RECT* full_screen;  // the outer rectangle a full-screen window gets
    int width, height;        // inner size asked for, logical units
  } cases[] = {
      // The settings' size gives way to the desktop's, taskbar or not.
      {"Full screen",
       {{"Fullscreen", "1"}, {"Frameless", "1"}, {"Resizable", "1"}},
       (LONG)WS_POPUP,
       0,
       1,
       &screen,
       0,
       0},
      // Frame included; at 144 dpi logical units miss its inner size by a pixel.
      {"Full screen with a caption", {{"Fullscreen", "1"}, {"Resizable", "1"}}, 0x00CC0000, 0, 1, &bars, 0, 0},
      // At 144 dpi taller than the screen.
      {"Reference", {}, 0x00C80000, 0, 0, nullptr, 500, 850},
      {"Topmost",
       {{"AlwaysOnTop", "2"}, {"Resizable", "1"}, {"ShowMinimizeButton", "1"}},
       0x00CE0000,
       1,
       0,
       nullptr,
       800,
       600},
      {"Larger than the screen", {{"ShowMaximizeButton", "1"}}, 0x00C90000, 0, 1, nullptr, 2600, 1300},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::wstring title(c.title, c.title + strlen(c.title));
    if (c.width)
      c.changes.insert(c.changes.end(),
                       {{"WindowWidth", std::to_string(c.width)}, {"WindowHeight", std::to_string(c.height)}});
    fs::path base = c.taskbar ? this_program().parent_path() / "launcher_with_taskbar.exe" : built_launcher();
    launcher_run run = start(make_launcher(title, settings_document(c.title, c.changes), reference_app(), base));
    ASSERT_TRUE(run.wait_for_window(title));
    window_facts window = facts_of(run.window);
    const RECT& outer = window.outer;
    const RECT& area = c.taskbar ? bars : work;
    EXPECT_EQ(window.style & shape_bits, c.shape);
    EXPECT_EQ((window.extended_style & WS_EX_TOPMOST) != 0, c.topmost);
    if (c.full_screen) {
      EXPECT_EQ(rect_text(outer), rect_text(*c.full_screen));
    } else {
      // The title bar lies on the screen, off the bars. Along each axis a
      // window that fits is centred on the screen (its outer margins equal
      // but for the frame) at the inner size asked for, at 96 dpi exactly
      // where it always was; a larger one starts at the work area's edge.
      EXPECT_GE(outer.left, area.left);
      EXPECT_GE(outer.top, area.top);
      auto expect_placed = [&](int asked, int start, int end, int inner, int screen_end, int area_start) {
        asked = MulDiv(asked, dpi, 96);
        if (asked > screen_end) {
          EXPECT_EQ(start, area_start);
          return;
        }
        EXPECT_EQ(inner, asked);
        EXPECT_LE(std::abs(start - (screen_end - end)), end - start - inner);
        if (dpi == 96) {
          EXPECT_EQ(start, (screen_end - asked) / 2);
        }
      };
      expect_placed(c.width, outer.left, outer.right, width_of(window.client), screen.right, area.left);
      expect_placed(c.height, outer.top, outer.bottom, height_of(window.client), screen.bottom, area.top);
    }
    // The browser fills the inner area the window got from the start, up to
    // the pixel logical units may miss.
    std::vector<fake_line> lines = run.wait_for_fake_line("navigate");
    for (const std::string& text : {fake_values(lines, "bounds").at(0), last_fake_value(lines, "bounds")}) {
      RECT bounds = {};
      sscanf(text.c_str(), "%ld %ld %ld %ld", &bounds.left, &bounds.top, &bounds.right, &bounds.bottom);
      EXPECT_LE(std::abs(bounds.right - window.client.right) + std::abs(bounds.bottom - window.client.bottom),
                dpi == 96 ? 0 : 1)
          << text << " in " << rect_text(window.client);
    }
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
