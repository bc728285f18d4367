#include "fuzz/fuzz_guard.h"

#include <csignal>
#include <cstdio>

namespace {

struct guard_state {
  fuzz_guard_options options;
  CRITICAL_SECTION lock;
  const fuzz_input* input;  // none between inputs
  uint64_t index;
  ULONGLONG started;
};

guard_state guard;

bool write_bytes_to(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool done = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return done;
}

// Called where the process may be in any state: nothing but plain calls.
[[noreturn]] void save_and_end(const char* kind, const std::string& detail, int exit_code) {
  const fuzz_input* input = guard.input;
  std::wstring name = guard.options.findings + L"\\" + std::wstring(kind, kind + strlen(kind)) + L"-seed" +
                      std::to_wstring(guard.options.seed) + L"-input" + std::to_wstring(guard.index);
  CreateDirectoryW(guard.options.findings.c_str(), nullptr);
  if (input) {
    write_bytes_to(name + L".bin", input->bytes);
    write_bytes_to(name + L".txt", std::string(kind) + ": " + detail + "\n" + input->story + "\n");
  }
  fprintf(stderr, "fuzz: %s at input %llu of seed %llu: %s\n  %s\n", kind, (unsigned long long)guard.index,
          (unsigned long long)guard.options.seed, detail.c_str(), input ? input->story.c_str() : "(between inputs)");
  fflush(stderr);
  // Not ExitProcess: the stuck or broken thread may hold locks that the
  // exit would wait for.
  TerminateProcess(GetCurrentProcess(), exit_code);
  for (;;) Sleep(INFINITE);
}

LONG WINAPI crash_filter(EXCEPTION_POINTERS* pointers) {
  char detail[64];
  snprintf(detail, sizeof detail, "exception 0x%08lX at %p", pointers->ExceptionRecord->ExceptionCode,
           pointers->ExceptionRecord->ExceptionAddress);
  save_and_end("crash", detail, fuzz_exit_crash);
}

// A library that gives up calls abort(), which raises no exception.
void abort_handler(int) { save_and_end("crash", "abort()", fuzz_exit_crash); }

DWORD WINAPI watchdog(void*) {
  for (;;) {
    Sleep(100);
    EnterCriticalSection(&guard.lock);
    bool late = guard.input && GetTickCount64() - guard.started > guard.options.limit_ms;
    LeaveCriticalSection(&guard.lock);
    if (late) save_and_end("hang", "over " + std::to_string(guard.options.limit_ms) + " ms", fuzz_exit_hang);
  }
}

}  // namespace

void start_fuzz_guard(const fuzz_guard_options& options) {
  static bool started = false;
  guard.options = options;
  if (started) return;
  started = true;
  InitializeCriticalSection(&guard.lock);
  // Room for the filter to run when the stack itself has overflowed.
  ULONG reserve = 64 * 1024;
  SetThreadStackGuarantee(&reserve);
  SetUnhandledExceptionFilter(crash_filter);
  signal(SIGABRT, abort_handler);
  CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));
}

void begin_fuzz_input(uint64_t index, const fuzz_input& input) {
  if (!guard.options.current_input.empty()) write_bytes_to(guard.options.current_input, input.bytes);
  EnterCriticalSection(&guard.lock);
  guard.input = &input;
  guard.index = index;
  guard.started = GetTickCount64();
  LeaveCriticalSection(&guard.lock);
}

void end_fuzz_input() {
  EnterCriticalSection(&guard.lock);
  guard.input = nullptr;
  LeaveCriticalSection(&guard.lock);
}

void report_fuzz_finding(const char* kind, const std::string& detail, int exit_code) {
  save_and_end(kind, detail, exit_code);
}
