#include "launcher/program_update.h"

#include <algorithm>
#include <new>
#include <vector>

#include "launcher-common/http_get.h"
#include "payload/trailer.h"
#include "runtime/core/system_errors.h"
#include "runtime/core/utf16.h"

namespace {

constexpr wchar_t thread_class[] = L"TL_Update";
constexpr UINT work_done = WM_APP + 0x2A;

std::wstring folder_of(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }
std::wstring name_of(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// ".notes.exe.update" and ".notes.exe.old-<time><process>" beside notes.exe.
std::wstring hidden_name(const std::wstring& program, const wchar_t* suffix) {
  return folder_of(program) + L"." + name_of(program) + suffix;
}

bool failed(std::string& problem, const std::string& what, DWORD error = GetLastError()) {
  std::string words = system_message(error);
  problem = what + ": " + (words.empty() ? "error " + std::to_string(error) : words);
  return false;
}

size_t read_handle(const byte_source& source, uint64_t offset, void* buffer, size_t count) {
  OVERLAPPED at{};
  at.Offset = (DWORD)offset;
  at.OffsetHigh = (DWORD)(offset >> 32);
  DWORD read = 0;
  if (count > 0x10000000) count = 0x10000000;
  return ReadFile((HANDLE)source.context, buffer, (DWORD)count, &read, &at) ? read : 0;
}

std::wstring running_program() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), (DWORD)path.size());
  path.resize(length < path.size() ? length : 0);
  return path;
}

LRESULT CALLBACK thread_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != work_done) return DefWindowProcW(window, message, w, l);
  auto* done = (std::function<void()>*)l;
  try {
    (*done)();
  } catch (...) {
    // Out of memory: the call stays unsettled, and nothing else changes.
  }
  delete done;
  return 0;
}

struct job {
  std::function<void()> work;
  std::function<void()>* done;
  HWND window;
};

DWORD WINAPI run_job(void* data) {
  auto* given = (job*)data;
  try {
    given->work();
  } catch (...) {
  }
  // A window gone meanwhile (the run ended) takes no end: it is dropped.
  if (!PostMessageW(given->window, work_done, 0, (LPARAM)given->done)) delete given->done;
  delete given;
  return 0;
}

}  // namespace

bool windows_program_update::fetch(const std::string& url, uint64_t most,
                                   const std::function<bool(std::string_view)>& take, std::string& problem) {
  return http_get(url, most, update_stall_seconds, take, problem);
}

bool windows_program_update::begin_new_program(std::string& problem) {
  new_program_ = hidden_name(program_, L".update");
  // Shared for deletion alone: the rename into place works while it is
  // open, and another copy cannot open it to write.
  file_ = CreateFileW(new_program_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file_ != INVALID_HANDLE_VALUE) return true;
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION) return problem = "another copy of the program is installing an update", false;
  return failed(problem, "the program's folder " + utf8_of(folder_of(program_)) + " cannot be written", error);
}

bool windows_program_update::write_new_program(std::string_view bytes, std::string& problem) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file_, bytes.data(), (DWORD)std::min<size_t>(bytes.size(), 1 << 20), &written, nullptr) || !written)
      return failed(problem, utf8_of(new_program_));
    bytes.remove_prefix(written);
  }
  return true;
}

bool windows_program_update::end_new_program(std::string& problem) {
  return FlushFileBuffers(file_) || failed(problem, utf8_of(new_program_));
}

bool windows_program_update::new_program_settings(std::string& json, std::string& problem) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file_, &size)) return failed(problem, utf8_of(new_program_));
  byte_source source{(uint64_t)size.QuadPart, read_handle, file_};
  trailer_layout trailer = find_trailer(source);
  if (!trailer.sound || trailer.json_length <= 0) return problem = "no payload", false;
  json.resize((size_t)trailer.json_length);
  return read_exactly(source, trailer.json_offset, json.data(), json.size()) || (problem = "unreadable", false);
}

bool windows_program_update::replace_program(std::string& problem) {
  wchar_t suffix[64];
  swprintf(suffix, 64, L".old-%llx-%lx", (unsigned long long)GetTickCount64(), GetCurrentProcessId());
  std::wstring old_program = hidden_name(program_, suffix);
  // The new program shows as the old one did.
  FILE_BASIC_INFO shown{};
  shown.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  SetFileInformationByHandle(file_, FileBasicInfo, &shown, sizeof shown);
  if (!MoveFileExW(program_.c_str(), old_program.c_str(), 0)) return failed(problem, utf8_of(program_));
  if (!MoveFileExW(new_program_.c_str(), program_.c_str(), 0)) {
    DWORD error = GetLastError();
    MoveFileExW(old_program.c_str(), program_.c_str(), 0);
    return failed(problem, utf8_of(program_), error);
  }
  SetFileAttributesW(old_program.c_str(), FILE_ATTRIBUTE_HIDDEN);
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  new_program_.clear();
  return true;
}

void windows_program_update::discard_new_program() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  FILE_DISPOSITION_INFO gone{TRUE};
  SetFileInformationByHandle(file_, FileDispositionInfo, &gone, sizeof gone);
  CloseHandle(file_);
  DeleteFileW(new_program_.c_str());
  file_ = INVALID_HANDLE_VALUE;
}

windows_update_thread::windows_update_thread() {
  WNDCLASSW type{};
  type.lpfnWndProc = thread_procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = thread_class;
  RegisterClassW(&type);
  window_ = CreateWindowExW(0, thread_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
}

windows_update_thread::~windows_update_thread() {
  if (window_) DestroyWindow(window_);
}

bool windows_update_thread::run(std::function<void()> work, std::function<void()> done) {
  if (!window_) return false;
  auto* ending = new (std::nothrow) std::function<void()>(std::move(done));
  auto* given = ending ? new (std::nothrow) job{std::move(work), ending, window_} : nullptr;
  HANDLE thread = given ? CreateThread(nullptr, 0, run_job, given, 0, nullptr) : nullptr;
  if (thread) return CloseHandle(thread), true;
  delete given;
  delete ending;
  return false;
}

program_updates::program_updates(const launcher_settings& settings)
    : program(running_program()),
      files(program),
      calls(update_source_of(settings.app, windows_update_system), files, thread) {}

void remove_update_leftovers(const std::wstring& program) {
  if (program.empty()) return;
  std::wstring folder = folder_of(program);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(hidden_name(program, L".old-*").c_str(), &found);
  std::vector<std::wstring> names;
  if (search != INVALID_HANDLE_VALUE) {
    do names.push_back(folder + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  names.push_back(hidden_name(program, L".update"));
  // Only what nothing holds: a program that runs, a new one being written.
  for (const std::wstring& name : names) {
    HANDLE file = CreateFileW(name.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
}

void start_updated_program(const program_updates& updates) {
  if (!updates.calls.restart_asked()) return;
  std::wstring command = L"\"" + updates.program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(updates.program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started))
    return;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}
