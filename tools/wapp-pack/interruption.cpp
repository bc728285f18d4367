#include "interruption.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <cstring>
#include <unistd.h>
#endif

#include "text_paths.h"

namespace {

#ifdef _WIN32
// The handler runs on a thread of its own: the path is read and written
// under the lock, which the handler keeps, so that nothing else is
// registered while the process ends.
SRWLOCK lock = SRWLOCK_INIT;
wchar_t output_path[32768];

BOOL WINAPI on_console_event(DWORD) {
  AcquireSRWLockExclusive(&lock);
  // The file was opened to allow this: it goes once its handles close,
  // which the end of the process does.
  if (output_path[0]) DeleteFileW(output_path);
  // As the system's own handler ends a program on Ctrl+C.
  ExitProcess((UINT)STATUS_CONTROL_C_EXIT);
}
#else
// Read by the handler: a path written only while the signals are blocked.
char output_path[4096];
const int signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void on_signal(int number) {
  if (output_path[0]) unlink(output_path);
  // Ended by the signal itself, as the shell expects of an interrupted program.
  std::signal(number, SIG_DFL);
  raise(number);
}

struct signals_blocked {
  sigset_t before;
  signals_blocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : signals) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, &before);
  }
  ~signals_blocked() { sigprocmask(SIG_SETMASK, &before, nullptr); }
};
#endif

}  // namespace

void remove_output_on_interruption() {
#ifdef _WIN32
  SetConsoleCtrlHandler(on_console_event, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (int s : signals) sigaddset(&action.sa_mask, s);
  for (int s : signals) sigaction(s, &action, nullptr);
#endif
}

void set_interrupted_output(const std::filesystem::path& path) {
#ifdef _WIN32
  std::wstring text = path.wstring();
  if (text.size() >= std::size(output_path)) text.clear();
  AcquireSRWLockExclusive(&lock);
  wcscpy(output_path, text.c_str());
  ReleaseSRWLockExclusive(&lock);
#else
  std::string text = path.string();
  if (text.size() >= sizeof output_path) text.clear();
  signals_blocked blocked;
  std::strcpy(output_path, text.c_str());
#endif
}

std::FILE* open_removable_output(const std::filesystem::path& path) {
#ifdef _WIN32
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  int descriptor = _open_osfhandle((intptr_t)file, _O_APPEND | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "ab");
  if (!stream) _close(descriptor);
  return stream;
#else
  return open_file(path, "ab");
#endif
}
