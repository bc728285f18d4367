// What the fake records, where, and the posted work that makes its
// completions asynchronous.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "fake_objects.h"
#include "fake_webview2.h"

int live_references;
int pending_work;

namespace {

std::string recorded;

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

constexpr UINT work_message = WM_APP + 1;

// Delayed work is a timer whose identifier is the work itself.
LRESULT CALLBACK work_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  std::function<void()>* work = nullptr;
  if (message == work_message) {
    work = (std::function<void()>*)lparam;
  } else if (message == WM_TIMER) {
    KillTimer(window, wparam);
    work = (std::function<void()>*)wparam;
  } else {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  pending_work--;
  (*work)();
  delete work;
  return 0;
}

HWND work_window() {
  static HWND window;
  if (window && IsWindow(window)) return window;
  WNDCLASSW queue{};
  queue.lpfnWndProc = work_procedure;
  queue.hInstance = GetModuleHandleW(nullptr);
  queue.lpszClassName = L"WappFakeWebView2Work";
  RegisterClassW(&queue);
  window = CreateWindowExW(0, queue.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, queue.hInstance, nullptr);
  return window;
}

}  // namespace

HRESULT task_memory_copy(const wchar_t* text, LPWSTR* out) {
  if (!out) return E_POINTER;
  size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  *out = (LPWSTR)CoTaskMemAlloc(bytes);
  if (!*out) return E_OUTOFMEMORY;
  memcpy(*out, text, bytes);
  return S_OK;
}

void record(const char* key, const std::string& value) {
  std::string line = fake_log_line(key, escaped(value));
  recorded += line;
  append_to_fake_log(line);
}

std::string utf8(const wchar_t* text) { return text ? utf8_of(text) : "(null)"; }

std::string hresult_text(HRESULT result) {
  char text[16];
  snprintf(text, sizeof text, "0x%08lX", (unsigned long)result);
  return text;
}

std::string injected_failure() {
  wchar_t value[64];
  DWORD length = GetEnvironmentVariableW(fake_fail_variable, value, 64);
  return length && length < 64 ? utf8(value) : std::string();
}

const char* apartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  if (FAILED(CoGetApartmentType(&type, &qualifier))) return "none";
  return type == APTTYPE_STA || type == APTTYPE_MAINSTA ? "sta" : "mta";
}

void post_work(std::function<void()> work, UINT delay_ms) {
  auto* posted = new std::function<void()>(std::move(work));
  pending_work++;
  bool queued = delay_ms ? SetTimer(work_window(), (UINT_PTR)posted, delay_ms, nullptr) != 0
                         : PostMessageW(work_window(), work_message, 0, (LPARAM)posted) != 0;
  if (!queued) {
    pending_work--;
    delete posted;
  }
}

int milliseconds_variable(const wchar_t* name) {
  wchar_t value[16];
  DWORD length = GetEnvironmentVariableW(name, value, 16);
  if (!length || length >= 16) return -1;
  wchar_t* end = nullptr;
  long milliseconds = wcstol(value, &end, 10);
  return *end || milliseconds < 0 ? -1 : (int)milliseconds;
}

void pin_module() {
  if (GetEnvironmentVariableW(fake_unpinned_variable, nullptr, 0)) return;
  HMODULE self;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN, (LPCWSTR)(void*)pin_module,
                     &self);
}

extern "C" {

__declspec(dllexport) const char* wapp_fake_webview2_record() { return recorded.c_str(); }
__declspec(dllexport) void wapp_fake_webview2_clear() { recorded.clear(); }
__declspec(dllexport) int wapp_fake_webview2_live_references() { return live_references; }

__declspec(dllexport) int wapp_fake_webview2_post_web_message(const wchar_t* text) {
  int delivered = 0;
  // A handler may close its web view, which leaves the list.
  std::vector<fake_web_view*> targets = open_web_views;
  for (fake_web_view* web_view : targets) delivered += web_view->deliver_message(text);
  return delivered;
}

}  // extern "C"
