// The app as one program, end to end: a second start of a single-instance
// program brings the running window to the front and ends, and a window
// that remembers its place opens where the last run left it.
#include <shlobj.h>

#include <cwctype>

#include "launcher_driver.h"

namespace {

using LauncherOneProgram = end_to_end_test;

const entry_list app = {{L"index.html", "<!doctype html><title>App</title>"}};

std::string rect_of(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect_text(rect);
}

bool is_running(const launcher_run& run) { return WaitForSingleObject(run.process(), 0) == WAIT_TIMEOUT; }

TEST_F(LauncherOneProgram, ASecondStartBringsTheRunningWindowToTheFrontAndEnds) {
  fs::path single = make_launcher(L"Single", settings_document("Single", {{"SingleInstance", "1"},
                                                                          {"ShowMinimizeButton", "1"},
                                                                          {"AppId", "single.app"}}), app);
  // The same app under another name: one app by its id.
  const fs::path copy = single.parent_path() / "Copy of Single.exe";
  fs::copy_file(single, copy);
  fs::path other = make_launcher(L"Other", settings_document("Other", {{"SingleInstance", "1"}}), app);
  launcher_run first = start(single);
  ASSERT_TRUE(first.wait_for_window(L"Single"));
  // Another single-instance program runs beside it, and has the front.
  launcher_run beside = start(other);
  ASSERT_TRUE(beside.wait_for_window(L"Other"));
  ASSERT_EQ(GetForegroundWindow(), beside.window);
  const std::set<std::wstring> folders = web_app_folders();

  // Later starts: the program's own path, the same path in other letter
  // case while the window is minimized, a copy of the program under another
  // name. Each ends at once with exit code 0, having unpacked nothing and
  // asked nothing of a browser.
  std::wstring upper = single.wstring();
  for (wchar_t& c : upper) c = (wchar_t)std::towupper(c);
  ShowWindow(first.window, SW_MINIMIZE);
  for (const fs::path& again : {single, fs::path(upper), copy}) {
    SCOPED_TRACE(again.string());
    if (again == single) ShowWindow(first.window, SW_RESTORE), SetForegroundWindow(beside.window);
    if (again != single) ShowWindow(first.window, SW_MINIMIZE);
    launcher_run later(again, temp, root / "later.log");
    ASSERT_TRUE(later.started());
    EXPECT_EQ(later.wait_for_exit(), 0u);
    EXPECT_FALSE(fs::exists(root / "later.log")) << "the later start made a browser";
    EXPECT_EQ(web_app_folders(), folders);
    for (DWORD waited = 0; GetForegroundWindow() != first.window && waited < launcher_timeout_ms; waited += 20)
      Sleep(20);
    EXPECT_EQ(GetForegroundWindow(), first.window);
    EXPECT_FALSE(IsIconic(first.window));
    EXPECT_TRUE(is_running(first));
    EXPECT_TRUE(is_running(beside) && IsWindowVisible(beside.window)) << "the other program was affected";
  }

  // A first copy that was killed blocks nothing: the next start runs.
  first.kill();
  launcher_run next = start(single);
  ASSERT_TRUE(next.wait_for_window(L"Single"));
  EXPECT_EQ(fake_values(next.wait_for_fake_line("navigate"), "navigate").size(), 2u);
  // And once its window is closed, a start runs again.
  next.close();
  EXPECT_EQ(next.wait_for_exit(), 0u);
  launcher_run after = start(single);
  ASSERT_TRUE(after.wait_for_window(L"Single"));
  for (launcher_run* run : {&after, &beside}) {
    run->close();
    EXPECT_EQ(run->wait_for_exit(), 0u);
  }
}

// %APPDATA%\<program file name>, where the browser keeps its data.
fs::path app_data_of(const fs::path& program) {
  wchar_t app_data[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
  return fs::path(app_data) / program.filename();
}

// The folders of the programs made here, gone before and after.
struct app_data_folders {
  std::vector<fs::path> folders;
  ~app_data_folders() { clear(); }
  void clear() {
    std::error_code ignored;
    for (const fs::path& folder : folders) fs::remove_all(folder, ignored);
  }
};

// Run at 96 dpi and again at 144 dpi: places are screen pixels.
TEST_F(LauncherOneProgram, TheWindowOpensWhereItWasLeft) {
  const int screen_width = GetSystemMetrics(SM_CXSCREEN), screen_height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen_dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen_dc, LOGPIXELSX);
  ReleaseDC(nullptr, screen_dc);
  const setting_list resizable = {{"RememberWindow", "1"}, {"Resizable", "1"},     {"ShowMaximizeButton", "1"},
                                  {"WindowWidth", "400"},  {"WindowHeight", "300"}};
  fs::path sized = make_launcher(L"Remember", settings_document("Remember", resizable), app);
  fs::path frameless = make_launcher(
      L"Bare", settings_document("Bare", {{"RememberWindow", "1"}, {"Frameless", "1"}, {"WindowWidth", "400"},
                                          {"WindowHeight", "300"}}),
      app);
  fs::path full = make_launcher(
      L"Full", settings_document("Full", {{"RememberWindow", "1"}, {"Fullscreen", "1"}, {"Frameless", "1"}}), app);
  app_data_folders data{{app_data_of(sized), app_data_of(frameless), app_data_of(full)}};
  data.clear();
  auto run_to_close = [&](const fs::path& program, const std::wstring& title, auto&& with_window) {
    launcher_run run = start(program);
    ASSERT_TRUE(run.wait_for_window(title));
    with_window(run.window);
    run.close();
    EXPECT_EQ(run.wait_for_exit(), 0u);
  };
  auto centred = [&](HWND window) {
    RECT outer = {};
    GetWindowRect(window, &outer);
    EXPECT_LE(std::abs(outer.left + outer.right - screen_width), 16) << rect_text(outer);
    EXPECT_LE(std::abs(outer.top + outer.bottom - screen_height), 64) << rect_text(outer);
  };

  // Moved and sized, closed: opened there, and what was stored says so.
  run_to_close(sized, L"Remember", [&](HWND window) {
    centred(window);
    SetWindowPos(window, nullptr, 100, 120, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  });
  EXPECT_EQ(read_file(data.folders[0] / "window.json"),
            "{\"x\": 100, \"y\": 120, \"width\": 700, \"height\": 500, \"maximized\": false}\n");
  // Maximized and closed: maximized again, over the same place.
  run_to_close(sized, L"Remember", [&](HWND window) {
    EXPECT_EQ(rect_of(window), "100 120 800 620");
    ShowWindow(window, SW_MAXIMIZE);
  });
  run_to_close(sized, L"Remember", [&](HWND window) {
    EXPECT_TRUE(IsZoomed(window));
    ShowWindow(window, SW_RESTORE);
    EXPECT_EQ(rect_of(window), "100 120 800 620");
    // Minimized last: the place before it counts.
    SetWindowPos(window, nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_MINIMIZE);
  });
  EXPECT_EQ(read_file(data.folders[0] / "window.json"),
            "{\"x\": 40, \"y\": 60, \"width\": 700, \"height\": 500, \"maximized\": false}\n");

  // A place off every screen, or a file that is not one, is dropped for the centre.
  for (const char* stored : {"{\"x\": 5000, \"y\": 120, \"width\": 700, \"height\": 500, \"maximized\": false}",
                             "{\"x\": 100, \"y\": -400, \"width\": 700, \"height\": 500, \"maximized\": false}",
                             "{\"x\": 100, \"y\": 120, \"width\": 700, \"height\": 5"}) {
    SCOPED_TRACE(stored);
    write_file(data.folders[0] / "window.json", stored);
    run_to_close(sized, L"Remember", centred);
  }

  // A huge place (setSize(32767, 32767) once) fits the work area again.
  write_file(data.folders[0] / "window.json",
             "{\"x\": 100, \"y\": 120, \"width\": 900000, \"height\": 32767, \"maximized\": false}");
  run_to_close(sized, L"Remember", [&](HWND window) {
    RECT area = {}, outer = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &outer);
    EXPECT_EQ(rect_text(outer), rect_text(area));
  });

  // A frameless window keeps its size, and comes back where it was moved to.
  run_to_close(frameless, L"Bare", [&](HWND window) {
    SetWindowPos(window, nullptr, 30, 40, 900, 900, SWP_NOZORDER | SWP_NOACTIVATE);
  });
  run_to_close(frameless, L"Bare", [&](HWND window) {
    EXPECT_EQ(rect_of(window), "30 40 " + std::to_string(30 + MulDiv(400, dpi, 96)) + " " +
                                   std::to_string(40 + MulDiv(300, dpi, 96)));
  });
  // A full-screen window fills the screen it was left on.
  run_to_close(full, L"Full", [&](HWND) {});
  EXPECT_TRUE(fs::exists(data.folders[2] / "window.json"));
  run_to_close(full, L"Full", [&](HWND window) {
    EXPECT_EQ(rect_of(window), "0 0 " + std::to_string(screen_width) + " " + std::to_string(screen_height));
  });
  EXPECT_TRUE(web_app_folders().empty());
}

}  // namespace
