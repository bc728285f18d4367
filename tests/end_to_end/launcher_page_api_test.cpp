// window.wapp on Windows, end to end: the page's requests come through the
// fake runtime from the address the test names, the real common dialogs
// open and the test answers them through the window system as a user
// would, and the replies the launcher posts back are read from the log.
#include "launcher_driver.h"

#include <string>
#include <vector>

#include "launcher-common/base64.h"
#include "support/links.h"

namespace {

using LauncherPageApi = end_to_end_test;
using strings = std::vector<std::string>;

// A common dialog of the process that is not the one answered before.
HWND wait_for_dialog(HANDLE process, HWND answered) {
  auto dialog = [&](HWND candidate) {
    wchar_t type[64] = {};
    GetClassNameW(candidate, type, 64);
    return candidate != answered && std::wstring(type) == L"#32770";
  };
  return wait_for_process_window(process, dialog, 50);
}

// Types the path into the dialog's file name box and presses OK.
bool answer_dialog(HWND dialog, const fs::path& file) {
  HWND name = GetDlgItem(dialog, 0x47c);  // cmb13, the explorer-style dialogs' name box
  if (!name) name = GetDlgItem(dialog, 0x480);  // edt1
  if (!name) return false;
  SendMessageW(name, WM_SETTEXT, 0, (LPARAM)file.c_str());
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
}

std::string request(int id, const std::string& method, const std::string& args) {
  return "{\"wapp\":\"\",\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"args\":" + args + "}";
}

TEST_F(LauncherPageApi, TheAppsPagesOpenAndSaveWhatTheUserPicksAndNothingElse) {
  stand_in_browser browser({L"https"});
  const fs::path notes = root / "notes.md", copy = root / "copy of notes.md";
  write_file(notes, "# Notes\n");
  std::string every_byte;
  for (int b = 0; b < 256; b++) every_byte += (char)b;
  // Hostile texts from the app's own page: half a character, 200,000 keys
  // and 300 levels of nesting each settle their call.
  std::string keys = "{\"wapp\":\"\",\"id\":17,\"method\":\"window.setTitle\",\"args\":{";
  for (int k = 0; k < 200000; k++) keys += (k ? ",\"k" : "\"k") + std::to_string(k) + "\":0";
  keys += "}}";
  const std::string deep = "{\"wapp\":\"\",\"id\":18,\"method\":\"window.setTitle\",\"args\":" +
                           std::string(300, '[') + std::string(300, ']') + "}";
  const std::string own = "https://app.wapp/index.html ", foreign = "https://example.test/index.html ";
  page_actions page(root / "page.txt",
                    "wait 200\n"
                    "message " + own + request(1, "openFile", R"({"types":[{"description":"Notes","extensions":["md"]}]})") + "\n"
                    "message " + own + request(2, "readFile", R"({"handle":1})") + "\n"
                    "message " + own + request(3, "saveFile", "{\"suggestedName\":\"copy.md\",\"data\":\"" +
                                                base64_encoded(std::string_view("hello\0world\r\n", 13)) + "\"}") + "\n"
                    "message " + own + request(4, "writeFile", "{\"handle\":2,\"data\":\"" + base64_encoded(every_byte) + "\"}") + "\n"
                    "message " + own + request(5, "writeFile", R"({"handle":7,"data":""})") + "\n"
                    "message " + foreign + request(6, "window.setTitle", R"({"text":"taken over"})") + "\n"
                    "message " + foreign + request(7, "saveFile", R"({"data":""})") + "\n"
                    "message " + own + R"("{\"id\":1,\"method\":\"x\",\"params\":[]}")" + "\n"
                    "message " + own + request(8, "openExternal", R"({"url":"https://example.test/help"})") + "\n"
                    "message " + own + request(9, "openExternal", R"({"url":"file:///C:/windows/win.ini"})") + "\n"
                    "message " + own + request(16, "window.setTitle", R"({"text":"\ud83d"})") + "\n"
                    "message " + own + keys + "\n"
                    "message " + own + deep + "\n"
                    "message " + own + request(10, "window.setTitle", R"({"text":"copy.md \u2014 Notes"})") + "\n"
                    "message " + own + request(11, "window.setSize", R"({"width":640,"height":480})") + "\n"
                    "message " + own + R"({"id":12,"method":"openFile"})" + "\n"
                    "wait 1500\n"
                    "message " + own + request(13, "window.setFullscreen", R"({"on":true})") + "\n"
                    "wait 1500\n"
                    "message " + own + request(14, "window.setFullscreen", R"({"on":false})") + "\n"
                    "wait 1500\n"
                    "message " + own + request(15, "window.close", "{}") + "\n");
  launcher_run run = start(make_launcher(
      L"notes", settings_document("Notes", {{"VirtualHost", "app.wapp"}, {"AppName", "Notes App"}, {"AppVersion", "1.2"}}),
      {{L"index.html", "<p>notes</p>"}}));
  ASSERT_TRUE(run.wait_for_window(L"Notes"));
  HWND open_dialog = wait_for_dialog(run.process(), nullptr);
  ASSERT_TRUE(open_dialog);
  ASSERT_TRUE(answer_dialog(open_dialog, notes));
  HWND save_dialog = wait_for_dialog(run.process(), open_dialog);
  ASSERT_TRUE(save_dialog);
  ASSERT_TRUE(answer_dialog(save_dialog, copy));
  std::vector<fake_line> lines = run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":11,"result":null})");
  ASSERT_TRUE(run.find_window(L"copy.md \u2014 Notes"));
  RECT inner{};
  GetClientRect(run.window, &inner);
  EXPECT_EQ(rect_text(inner), "0 0 640 480");

  EXPECT_EQ(fake_values(lines, "posted_json"),
            (strings{R"({"wapp":true,"id":1,"result":[{"name":"notes.md","size":8,"handle":1}]})",
                     R"({"wapp":true,"id":2,"result":"IyBOb3Rlcwo="})",
                     R"({"wapp":true,"id":3,"result":{"name":"copy of notes.md","handle":2}})",
                     R"({"wapp":true,"id":4,"result":null})",
                     R"({"wapp":true,"id":5,"error":"no file of this run has handle 7: handles come from the open and save dialogs"})",
                     R"({"wapp":true,"id":8,"result":null})",
                     R"({"wapp":true,"id":9,"error":"only http:, https: and mailto: addresses open outside the app"})",
                     R"({"wapp":true,"id":16,"result":null})", R"({"wapp":true,"id":17,"error":"the message is not JSON"})",
                     R"({"wapp":true,"id":18,"error":"the message is not JSON"})",
                     R"({"wapp":true,"id":10,"result":null})", R"({"wapp":true,"id":11,"result":null})"}));
  // external.invoke's text is read and dropped as before; the message
  // without the marker belongs to someone else.
  EXPECT_EQ(fake_values(lines, "message_read"), strings{R"({\"id\":1,\"method\":\"x\",\"params\":[]})"});
  // The script is there before the app's first page, and knows the app.
  std::string script = last_fake_value(lines, "script");
  EXPECT_NE(script.find(R"("prefixes":["https://app.wapp/"])"), std::string::npos);
  EXPECT_NE(script.find(R"("app":{"name":"Notes App","version":"1.2","platform":"windows"})"), std::string::npos);
  EXPECT_EQ(last_fake_value(lines, "document_scripts"), "2");
  // The saved file has exactly the bytes sent last, and nothing was left beside it.
  EXPECT_EQ(read_file(copy), every_byte);
  EXPECT_EQ(read_file(notes), "# Notes\n");
  EXPECT_EQ(entries_of(root).count(L"copy of notes.md"), 1u);
  for (const auto& name : entries_of(root)) EXPECT_EQ(name.find(L"wapp-saving"), std::wstring::npos);

  // Full screen covers the monitor without a frame, and leaving it puts
  // the frame and the size back; close() ends the run as the close box does.
  run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":13,"result":null})");
  RECT outer{};
  GetWindowRect(run.window, &outer);
  EXPECT_EQ(rect_text(outer), "0 0 " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
                                  std::to_string(GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_FALSE(GetWindowLongW(run.window, GWL_STYLE) & WS_CAPTION);
  run.wait_for_fake_line("posted_json", R"({"wapp":true,"id":14,"result":null})");
  GetClientRect(run.window, &inner);
  EXPECT_EQ(rect_text(inner), "0 0 640 480");
  EXPECT_TRUE(GetWindowLongW(run.window, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(run.wait_for_exit(), 0u);
  EXPECT_EQ(fake_values(run.fake_log(), "opened"), strings{"https://example.test/help"});
  EXPECT_EQ(last_fake_value(run.fake_log(), "posted_json"), R"({"wapp":true,"id":15,"result":null})");
}

}  // namespace
