#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>

#include "dev_processes.h"
#include "text_paths.h"

namespace fs = std::filesystem;

struct dev_process_state {
  PROCESS_INFORMATION process{};
  HANDLE job = nullptr;     // everything the dev command starts
  HANDLE output = nullptr;  // the read end of its output
  bool window = false;      // the dev program: asked to close as its close box is
  bool done = false;
  int status = 0;
};

namespace {

volatile LONG heard = 0;

BOOL WINAPI note(DWORD event) {
  // Ctrl+C and Ctrl+Break as SIGINT, the console's closing and the
  // session's end as SIGTERM.
  InterlockedExchange(&heard, event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? 130 : 143);
  return TRUE;
}

bool failed(std::string& problem, const std::string& what) {
  problem = what + " (error " + std::to_string(GetLastError()) + ")";
  return false;
}

BOOL CALLBACK close_window(HWND window, LPARAM process) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == (DWORD)process && IsWindowVisible(window)) PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

dev_process::dev_process() : state_(new dev_process_state) {}

dev_process::~dev_process() {
  stop();
  if (state_->output) CloseHandle(state_->output);
  if (state_->job) CloseHandle(state_->job);
  if (state_->process.hProcess) CloseHandle(state_->process.hProcess), CloseHandle(state_->process.hThread);
}

bool dev_process::running() const { return state_->process.hProcess && !state_->done; }

bool dev_process::start_command(const std::string& command, const fs::path& folder, std::string& problem) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE read_end, write_end;
  if (!CreatePipe(&read_end, &write_end, &inherited, 0)) return failed(problem, "no pipe for the dev command");
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  // A job that ends everything the command starts when it is closed.
  state_->job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (state_->job) SetInformationJobObject(state_->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = startup.hStdError = write_end;
  std::wstring line = L"cmd.exe /d /s /c \"" + path_of(command).wstring() + L"\"";
  bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                folder.empty() ? nullptr : folder.c_str(), &startup, &state_->process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return failed(problem, "cannot start the dev command");
  }
  if (state_->job) AssignProcessToJobObject(state_->job, state_->process.hProcess);
  ResumeThread(state_->process.hThread);
  state_->output = read_end;
  return true;
}

bool dev_process::start_program(const fs::path& program, std::string& problem) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = L"\"" + program.wstring() + L"\"";
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &state_->process))
    return failed(problem, "cannot start " + utf8_of(program));
  state_->window = true;
  return true;
}

std::string dev_process::take_output() {
  std::string text;
  char buffer[4096];
  DWORD waiting = 0, read = 0;
  while (state_->output && PeekNamedPipe(state_->output, nullptr, 0, nullptr, &waiting, nullptr) && waiting &&
         ReadFile(state_->output, buffer, sizeof buffer < waiting ? sizeof buffer : waiting, &read, nullptr) && read)
    text.append(buffer, read);
  return text;
}

bool dev_process::ended(int& status) {
  if (!state_->process.hProcess) return false;
  if (!state_->done) {
    if (WaitForSingleObject(state_->process.hProcess, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(state_->process.hProcess, &code);
    state_->done = true;
    state_->status = (int)code;
  }
  status = state_->status;
  return true;
}

void dev_process::stop() {
  if (!state_->process.hProcess) return;
  if (state_->job) {
    TerminateJobObject(state_->job, 1);
  } else if (!state_->done && state_->window) {
    // As the close box, so that the program cleans up after itself.
    EnumWindows(close_window, (LPARAM)state_->process.dwProcessId);
    if (WaitForSingleObject(state_->process.hProcess, 3000) != WAIT_OBJECT_0)
      TerminateProcess(state_->process.hProcess, 1);
  }
  WaitForSingleObject(state_->process.hProcess, 3000);
  int status;
  ended(status);
}

void hear_interruptions() { SetConsoleCtrlHandler(note, TRUE); }

int interruption_status() { return (int)heard; }

bool dev_server_answers(const std::string& url) {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return false;
  auto [authority, host, port] = authority_of(url);
  addrinfo hints{}, *found = nullptr;
  hints.ai_socktype = SOCK_STREAM;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return false;
  bool answers = false;
  for (addrinfo* at = found; at && !answers; at = at->ai_next) {
    SOCKET s = socket(at->ai_family, at->ai_socktype, at->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    if (connect(s, at->ai_addr, (int)at->ai_addrlen) == 0) {
      std::string request = "HEAD / HTTP/1.0\r\nHost: " + authority + "\r\n\r\n";
      DWORD wait = 2000;
      setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&wait, sizeof wait);
      char head[5] = {};
      answers = url.starts_with("https") ||
                (send(s, request.data(), (int)request.size(), 0) == (int)request.size() &&
                 recv(s, head, 5, 0) == 5 && std::memcmp(head, "HTTP/", 5) == 0);
    }
    closesocket(s);
  }
  freeaddrinfo(found);
  return answers;
}

bool make_private_folder(fs::path& folder, std::string& problem) {
  wchar_t base[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH + 1, base)) return failed(problem, "no temporary folder for the dev program");
  for (int attempt = 0; attempt < 100; attempt++) {
    wchar_t name[64];
    swprintf(name, 64, L"wapp-dev-%lx-%x", GetCurrentProcessId(), (unsigned)(GetTickCount64() + attempt));
    folder = fs::path(base) / name;
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
  }
  return failed(problem, "no temporary folder for the dev program");
}

void sleep_ms(int milliseconds) { Sleep((DWORD)milliseconds); }
#endif
