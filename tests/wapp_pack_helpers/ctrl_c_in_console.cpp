// Runs a command in this program's console and presses Ctrl+C there once
// the command's file PREFIX<pid>.tmp holds a megabyte, as a user would in a
// terminal; ends with the command's exit code (or 200 and up for its own
// failures). The tests start it in a console of its own.
//   ctrl_c_in_console PREFIX COMMAND-LINE
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 200;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = argv[2];
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 201;
  std::wstring file = argv[1] + std::to_wstring(process.dwProcessId) + L".tmp";
  WIN32_FILE_ATTRIBUTE_DATA data{};
  for (int i = 0; i < 12000; i++) {
    if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) && (data.nFileSizeHigh || data.nFileSizeLow >= 1 << 20))
      break;
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) return 202;  // ended before it could be interrupted
  }
  SetConsoleCtrlHandler(nullptr, TRUE);  // for the command, not for this program
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return 203;
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) return 204;
  DWORD code = 205;
  GetExitCodeProcess(process.hProcess, &code);
  return (int)code;
}
