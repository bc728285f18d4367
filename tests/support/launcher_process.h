#pragma once
// Real launcher processes, for the end-to-end tests and the benchmarks: one
// launcher_run per process, started with a temporary directory of its own,
// its window found by title, then closed, resized or killed from outside,
// and what the fake WebView2 runtime logged about its browser.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/fake_webview2.h"

// Long enough for a cold Wine start on a busy machine.
constexpr DWORD launcher_timeout_ms = 30000;

// The first visible top-level window of the process that `wanted` takes,
// looked for every poll_ms; none when the process ends first or after the
// timeout.
template <typename window_test>
HWND wait_for_process_window(HANDLE process, window_test& wanted, DWORD poll_ms = 20) {
  struct search_record {
    DWORD process;
    window_test* wanted;
    HWND found;
  } search = {GetProcessId(process), &wanted, nullptr};
  auto match = [](HWND candidate, LPARAM parameter) -> BOOL {
    auto* s = (search_record*)parameter;
    DWORD owner = 0;
    GetWindowThreadProcessId(candidate, &owner);
    if (owner != s->process || !IsWindowVisible(candidate) || !(*s->wanted)(candidate)) return TRUE;
    s->found = candidate;
    return FALSE;
  };
  for (DWORD waited = 0; waited < launcher_timeout_ms; waited += poll_ms) {
    EnumWindows(match, (LPARAM)&search);
    if (search.found || WaitForSingleObject(process, poll_ms) == WAIT_OBJECT_0) break;
  }
  return search.found;
}

// The running test or benchmark program.
inline std::filesystem::path this_program() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return self;
}

// launcher.exe as the build leaves it: build/launcher/, beside the folder
// of the running program.
inline std::filesystem::path built_launcher() {
  return this_program().parent_path().parent_path() / "launcher" / "launcher.exe";
}

// The environment of this process with TMP and TEMP (which GetTempPathW
// reads) set to temp and the fake runtime's log set to fake_log (left out
// when empty), as a block for CreateProcessW.
inline std::wstring launcher_environment(const std::filesystem::path& temp, const std::filesystem::path& fake_log) {
  auto is_named = [](const wchar_t* entry, const wchar_t* name) {
    size_t n = wcslen(name);
    return _wcsnicmp(entry, name, n) == 0 && entry[n] == L'=';
  };
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1)
    if (!is_named(entry, L"TMP") && !is_named(entry, L"TEMP") && !is_named(entry, fake_log_variable))
      block.append(entry).push_back(0);
  FreeEnvironmentStringsW(strings);
  for (const wchar_t* name : {L"TMP=", L"TEMP="}) block.append(name).append(temp.wstring()).push_back(0);
  if (!fake_log.empty()) block.append(fake_log_variable).append(L"=").append(fake_log.wstring()).push_back(0);
  block.push_back(0);
  return block;
}

struct window_facts {
  RECT outer;   // GetWindowRect
  RECT client;  // GetClientRect
  LONG style;
  LONG extended_style;
  int child_windows;
};

inline window_facts facts_of(HWND window) {
  window_facts facts = {};
  GetWindowRect(window, &facts.outer);
  GetClientRect(window, &facts.client);
  facts.style = GetWindowLongW(window, GWL_STYLE);
  facts.extended_style = GetWindowLongW(window, GWL_EXSTYLE);
  EnumChildWindows(
      window, [](HWND, LPARAM count) { return ++*(int*)count, TRUE; }, (LPARAM)&facts.child_windows);
  return facts;
}

class launcher_run {
 public:
  // fake_log: where the fake WebView2 runtime, if registered, records this
  // launcher's browser. arguments: for other programs; a launcher reads none.
  launcher_run(const std::filesystem::path& executable, const std::filesystem::path& temp,
               const std::filesystem::path& fake_log = {}, const std::wstring& arguments = L"")
      : fake_log_(fake_log) {
    std::wstring environment = launcher_environment(temp, fake_log);
    std::wstring command = L"\"" + executable.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(executable.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &process_))
      process_ = {};
  }
  ~launcher_run() {
    if (!started()) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) kill();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  launcher_run(const launcher_run&) = delete;
  launcher_run& operator=(const launcher_run&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  HANDLE process() const { return process_.hProcess; }

  // The process's top-level window with this title as soon as it is
  // visible, looked for every poll_ms; none when the process ends first or
  // after the timeout.
  HWND find_window(const std::wstring& title, DWORD poll_ms = 20) {
    if (!started()) return nullptr;
    auto titled = [&](HWND candidate) {
      wchar_t text[256] = {};
      GetWindowTextW(candidate, text, 256);
      return title == text;
    };
    HWND found = wait_for_process_window(process_.hProcess, titled, poll_ms);
    if (found) window = found;
    return found;
  }

  // The window, once the launcher has finished setting it up (always on
  // top comes after it shows) and waits for input.
  HWND wait_for_window(const std::wstring& title) {
    if (!find_window(title) || WaitForInputIdle(process_.hProcess, launcher_timeout_ms) != 0) return nullptr;
    return window;
  }

  // Asks the window to close, as its close box does.
  void close() { PostMessageW(window, WM_CLOSE, 0, 0); }

  // The exit code, or STILL_ACTIVE when the process has not ended in time.
  DWORD wait_for_exit() {
    DWORD code = STILL_ACTIVE;
    if (started() && WaitForSingleObject(process_.hProcess, launcher_timeout_ms) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  // The fake runtime's log once it holds a line with key (and value, when
  // given): creating the browser pumps messages, so the launcher may look
  // idle well before it navigates. What was logged so far when the process
  // ends first or after the timeout.
  std::vector<fake_line> wait_for_fake_line(const std::string& key, const std::string& value = "", DWORD poll_ms = 20) {
    std::vector<fake_line> lines;
    for (DWORD waited = 0; started() && waited < launcher_timeout_ms; waited += poll_ms) {
      bool ended = WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
      lines = read_fake_log(fake_log_.wstring());
      if (ended || find_fake_line(lines, key, value) < lines.size()) break;
      Sleep(poll_ms);
    }
    return lines;
  }

  std::vector<fake_line> fake_log() const { return read_fake_log(fake_log_.wstring()); }

  // When the process was created, in the unit of the fake's time stamps.
  uint64_t creation_time() const {
    FILETIME created{}, exited, kernel, user;
    GetProcessTimes(process_.hProcess, &created, &exited, &kernel, &user);
    return ((uint64_t)created.dwHighDateTime << 32) | created.dwLowDateTime;
  }

  // Ends the process the hard way, as a crash or the task manager would.
  void kill() {
    TerminateProcess(process_.hProcess, 9);
    WaitForSingleObject(process_.hProcess, launcher_timeout_ms);
  }

  HWND window = nullptr;

 private:
  PROCESS_INFORMATION process_ = {};
  std::filesystem::path fake_log_;
};
