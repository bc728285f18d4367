#include "launcher/single_instance.h"

#include <sddl.h>

#include <cwchar>

#include <string>

#include "launcher-common/path_hash.h"
#include "runtime/core/utf16.h"

namespace {

constexpr wchar_t mapping_suffix[] = L"-window";
constexpr DWORD poll_ms = 50;
// GetModuleFileNameW answers paths past MAX_PATH in full.
constexpr DWORD longest_path = 32768;

// The user's SID as text, "S-1-5-21-…".
bool user_sid_text(wchar_t* text, size_t room) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  wchar_t* sid = nullptr;
  bool found = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
               ConvertSidToStringSidW(((TOKEN_USER*)buffer)->User.Sid, &sid);
  CloseHandle(token);
  if (!found) return false;
  bool fits = wcslen(sid) < room;
  if (fits) wcscpy(text, sid);
  LocalFree(sid);
  return fits;
}

bool own_mapping_name(const wchar_t* mutex_name, wchar_t (&name)[instance_name_length]) {
  int written = swprintf(name, instance_name_length, L"%ls%ls", mutex_name, mapping_suffix);
  return written > 0 && written < instance_name_length;
}

// The program's path as the system has it: long names for any 8.3 short
// ones, then case-folded as the file system compares names.
wchar_t* program_path() {
  static wchar_t path[longest_path], folded[longest_path];
  DWORD length = GetModuleFileNameW(nullptr, path, longest_path);
  if (!length || length >= longest_path) return nullptr;
  DWORD long_length = GetLongPathNameW(path, folded, longest_path);
  if (long_length && long_length < longest_path) wcscpy(path, folded);
  return path;
}

// The running copy's window, when it has published one that is still its.
HWND published_window(const wchar_t* mutex_name) {
  wchar_t name[instance_name_length];
  if (!own_mapping_name(mutex_name, name)) return nullptr;
  HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name);
  if (!mapping) return nullptr;
  auto* published = (const published_instance*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(published_instance));
  HWND window = nullptr;
  if (published) {
    auto candidate = (HWND)(uintptr_t)published->window;
    DWORD process = 0;
    if (candidate && GetWindowThreadProcessId(candidate, &process) && process == published->process) window = candidate;
    UnmapViewOfFile(published);
  }
  CloseHandle(mapping);
  return window;
}

// Asynchronous, so that a running copy that hangs cannot hold this start.
void bring_to_front(HWND window) {
  // A window closed to the tray is hidden: it comes back too.
  if (!IsWindowVisible(window)) ShowWindowAsync(window, SW_SHOW);
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
}

// The claim once the mutex is owned; the mapping is best effort: without it
// later starts find no window and, in the end, run on their own.
void hold(single_instance_claim& claim, HANDLE mutex, const wchar_t* mutex_name) {
  claim.mutex = mutex;
  wchar_t name[instance_name_length];
  if (!own_mapping_name(mutex_name, name)) return;
  claim.mapping =
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(published_instance), name);
  if (!claim.mapping) return;
  claim.published = (published_instance*)MapViewOfFile(claim.mapping, FILE_MAP_WRITE, 0, 0, sizeof(published_instance));
  if (claim.published) *claim.published = {0, GetCurrentProcessId()};
}

}  // namespace

bool instance_mutex_name(const wchar_t* program_path, wchar_t (&name)[instance_name_length]) {
  wchar_t sid[200];
  if (!user_sid_text(sid, sizeof sid / sizeof *sid)) return false;
  size_t length = wcslen(program_path);
  static wchar_t folded[longest_path];
  if (length >= longest_path) return false;
  // Upper case in the invariant locale is how NTFS matches names.
  if (length && !LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, program_path, (int)length, folded, longest_path))
    return false;
  wchar_t digits[17];
  path_hash_digits(path_hash(folded, length), digits);
  int written = swprintf(name, instance_name_length, L"Local\\wapp-%ls-%ls", sid, digits);
  return written > 0 && written + (int)wcslen(mapping_suffix) < instance_name_length;
}

bool claim_single_instance(single_instance_claim& claim, const char* app_id) {
  claim = {};
  wchar_t name[instance_name_length];
  std::wstring identity;
  try {
    if (app_id && *app_id) identity = L"id:" + wide_of(app_id);
  } catch (...) {
    return true;
  }
  const wchar_t* path = identity.empty() ? program_path() : identity.c_str();
  if (!path || !instance_mutex_name(path, name)) return true;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
  if (!mutex) return true;
  for (DWORD waited = 0; waited <= instance_window_patience_ms; waited += poll_ms) {
    // Owned: no copy runs, or the one that did has ended (abandoned) or
    // closed its window.
    DWORD wait = WaitForSingleObject(mutex, waited ? poll_ms : 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
      hold(claim, mutex, name);
      return true;
    }
    if (wait == WAIT_FAILED) break;
    if (HWND window = published_window(name)) {
      bring_to_front(window);
      CloseHandle(mutex);
      return false;
    }
  }
  CloseHandle(mutex);
  return true;
}

void publish_instance_window(single_instance_claim& claim, HWND window) {
  if (claim.published) claim.published->window = (uint64_t)(uintptr_t)window;
}

// The mapping is let go before the mutex: once a later start owns the
// mutex and publishes its own window there, this one no longer writes.
void release_single_instance(single_instance_claim& claim) {
  if (claim.published) {
    claim.published->window = 0;
    UnmapViewOfFile(claim.published);
  }
  if (claim.mapping) CloseHandle(claim.mapping);
  if (claim.mutex) {
    ReleaseMutex(claim.mutex);
    CloseHandle(claim.mutex);
  }
  claim = {};
}
