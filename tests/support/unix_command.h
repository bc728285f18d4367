#pragma once
// Programs of the Linux machine that runs the tests under Wine (the signing
// tools, for one), started from a test program. Wine runs a file that is no
// Windows program with the machine's own exec but hands back no process
// handle for it, so the command leaves its exit status in a file that is
// waited for.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

// The machine's own name for a Windows path; empty when Wine has none.
inline std::string unix_path(const std::filesystem::path& path) {
  using unix_name_entry = char* (*)(const wchar_t*);
  auto unix_name = (unix_name_entry)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  char* name = unix_name ? unix_name(std::filesystem::absolute(path).c_str()) : nullptr;
  if (!name) return "";
  std::string text = name;
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

// A word for /bin/sh that stands for exactly text.
inline std::string shell_word(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

// Runs the command with /bin/sh in folder: its exit status, or -1 when it
// could not be started or did not end within timeout_ms. What it printed
// goes to output.
inline int run_unix_command(const std::string& command, const std::filesystem::path& folder, std::string& output,
                            DWORD timeout_ms = 120000) {
  const std::filesystem::path status = folder / "unix-command.status";
  DeleteFileW(status.c_str());
  std::string script = "cd " + shell_word(unix_path(folder)) + " && { " + command +
                       "; } >unix-command.log 2>&1; echo $? >unix-command.part && "
                       "mv unix-command.part unix-command.status";
  // Wine splits the command line as Windows programs do: the script is one
  // quoted argument, and so may hold no double quote.
  if (script.find('"') != std::string::npos) return -1;
  std::wstring line = L"Z:\\bin\\sh -c \"" + std::filesystem::path(script).wstring() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  for (HANDLE handle : {process.hThread, process.hProcess})
    if (handle) CloseHandle(handle);
  for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
    int code = -1;
    if (std::ifstream(status) >> code) {
      std::ifstream log(folder / "unix-command.log", std::ios::binary);
      output.assign(std::istreambuf_iterator<char>(log), {});
      return code;
    }
    Sleep(50);
  }
  return -1;
}
