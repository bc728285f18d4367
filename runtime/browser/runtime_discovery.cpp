// The installed runtime is registered by its updater under the stable
// channel's ClientState key, in the 32-bit registry view, machine-wide or for
// the user; its value EBWebView names the versioned install folder.
#include "runtime/browser/runtime_discovery.h"

#include <cwchar>

namespace {

constexpr wchar_t client_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

// The runtime's DLL must match this process's architecture.
#if defined(__aarch64__)
constexpr wchar_t runtime_dll_in_folder[] = L"\\EBWebView\\arm64\\EmbeddedBrowserWebView.dll";
#elif defined(__x86_64__)
constexpr wchar_t runtime_dll_in_folder[] = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
#else
constexpr wchar_t runtime_dll_in_folder[] = L"\\EBWebView\\x86\\EmbeddedBrowserWebView.dll";
#endif

// The DLL of the runtime registered under root, in path; false when there is
// none, it is too old, or its path does not fit.
bool registered_runtime_dll(HKEY root, wchar_t (&path)[MAX_PATH]) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, client_state_key, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
  DWORD size = sizeof path;
  LSTATUS status = RegGetValueW(key, nullptr, L"EBWebView", RRF_RT_REG_SZ, nullptr, path, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return false;
  // A trailing separator would hide the version.
  size_t length = wcslen(path);
  while (length && (path[length - 1] == L'\\' || path[length - 1] == L'/')) path[--length] = 0;
  if (!is_usable_runtime_version(path)) return false;
  // A path cut to fit would name another file.
  if (length + wcslen(runtime_dll_in_folder) >= MAX_PATH) return false;
  wcscat(path, runtime_dll_in_folder);
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The runtime behind a loaded module, or none (and the module freed) when it
// lacks the entry.
webview2_runtime runtime_in(HMODULE module, const char* entry_name, bool installed) {
  if (!module) return {};
  void* entry = (void*)GetProcAddress(module, entry_name);
  if (!entry) {
    FreeLibrary(module);
    return {};
  }
  return {module, installed ? (create_environment_internal_entry)entry : nullptr,
          installed ? nullptr : (create_environment_entry)entry};
}

webview2_runtime installed_runtime(HKEY root) {
  wchar_t path[MAX_PATH];
  if (!registered_runtime_dll(root, path)) return {};
  // Its own dependencies lie beside it, not beside this executable.
  return runtime_in(LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH),
                    "CreateWebViewEnvironmentWithOptionsInternal", true);
}

webview2_runtime loader_runtime() {
  return runtime_in(LoadLibraryW(L"WebView2Loader.dll"), "CreateCoreWebView2EnvironmentWithOptions", false);
}

}  // namespace

bool is_usable_runtime_version(const wchar_t* folder) {
  const wchar_t* name = folder;
  for (const wchar_t* p = folder; *p; p++) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  unsigned fields[4];
  const wchar_t* p = name;
  for (int i = 0; i < 4; i++) {
    if (*p < L'0' || *p > L'9') return false;
    unsigned value = 0;
    for (; *p >= L'0' && *p <= L'9'; p++) {
      if (value > 999999) return false;
      value = value * 10 + (unsigned)(*p - L'0');
    }
    fields[i] = value;
    if (*p != (i < 3 ? L'.' : 0)) return false;
    if (i < 3) p++;
  }
  for (int i = 0; i < 4; i++) {
    if (fields[i] != minimum_runtime_version[i]) return fields[i] > minimum_runtime_version[i];
  }
  return true;
}

webview2_runtime find_webview2_runtime() {
  // Machine-wide first, as the official loader searches.
  const HKEY roots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
  for (HKEY root : roots) {
    webview2_runtime runtime = installed_runtime(root);
    if (runtime.module) return runtime;
  }
  return loader_runtime();
}

void unload_webview2_runtime(webview2_runtime& runtime) {
  if (!runtime.module) return;
  bool can_unload = true;
  if (runtime.create_internal) {
    auto can_unload_now = (dll_can_unload_now_entry)(void*)GetProcAddress(runtime.module, "DllCanUnloadNow");
    can_unload = can_unload_now && can_unload_now() == S_OK;
  }
  if (can_unload) FreeLibrary(runtime.module);
  runtime = {};
}
