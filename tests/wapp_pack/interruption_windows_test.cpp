// Ctrl+C in the console of a real pack of a large folder: Windows' own
// console control event ends wapp-pack.exe, which takes its temporary file
// with it and leaves no output.
#include <windows.h>

#include "packer_test_support.h"

namespace {

class Interruption : public packer_test {};

TEST_F(Interruption, CtrlCMidPackLeavesNothing) {
  fs::path app = make_big_app("big");
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  fs::path tests = fs::path(self).parent_path(), exe = dir / "big.exe";
  fs::path packer = tests.parent_path() / "tools" / "wapp-pack" / "wapp-pack.exe";
  std::wstring command = L"\"" + (tests / "ctrl_c_in_console.exe").wstring() + L"\" \"" +
                         (dir / ".big.exe.wapp-pack-").wstring() + L"\" \"\\\"" + packer.wstring() + L"\\\" \\\"" +
                         app.wstring() + L"\\\" -o \\\"" + exe.wstring() + L"\\\" --launcher \\\"" + launcher.wstring() +
                         L"\\\" --level 9\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, (DWORD)STATUS_CONTROL_C_EXIT);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(other_files({app, launcher}).empty()) << other_files({app, launcher}).front();
}

}  // namespace
