#pragma once
// Puts the fake WebView2 runtime (tests/fakes) where a program looks for one,
// in the Wine prefix the test runs in, and takes it away again.
//
// register_fake_runtime installs a copy of wapp_fake_webview2.dll (which lies
// beside the test programs) as
//   %TEMP%\wapp-fake-webview2\<version>\EBWebView\x64\EmbeddedBrowserWebView.dll
// and stores that versioned folder as the REG_SZ value "EBWebView" under
//   <hive>\Software\Microsoft\EdgeUpdate\ClientState\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}
// in the 32-bit registry view, as the runtime's installer does. The prefix's
// registry outlives the test program: call unregister_fake_runtime when done
// (it removes the key from both hives and both views).
// place_fake_loader copies the fake into a folder as WebView2Loader.dll, so
// that a program in that folder finds it by the normal DLL search.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "fakes/fake_webview2.h"

constexpr wchar_t fake_client_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

inline std::wstring test_program_folder() {
  wchar_t path[MAX_PATH];
  std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return program.substr(0, program.find_last_of(L"\\/") + 1);
}

inline std::wstring fake_install_root() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp) + L"wapp-fake-webview2";
}

// Copies the fake to target; a copy already there counts, since a loaded one
// cannot be replaced.
inline bool copy_fake_to(const std::wstring& target) {
  return CopyFileW((test_program_folder() + fake_dll_name).c_str(), target.c_str(), FALSE) ||
         GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The versioned folder; install_dll false registers a folder without the DLL.
inline std::wstring register_fake_runtime(const std::wstring& version = L"120.0.2210.91",
                                          HKEY hive = HKEY_LOCAL_MACHINE, REGSAM view = KEY_WOW64_32KEY,
                                          bool install_dll = true) {
  std::wstring folder = fake_install_root() + L"\\" + version;
  if (install_dll) {
    std::wstring dll_folder = folder + L"\\EBWebView\\x64";
    for (const std::wstring& path : {fake_install_root(), folder, folder + L"\\EBWebView", dll_folder})
      CreateDirectoryW(path.c_str(), nullptr);
    if (!copy_fake_to(dll_folder + L"\\EmbeddedBrowserWebView.dll")) return L"";
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(hive, fake_client_state_key, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr))
    return L"";
  RegSetValueExW(key, L"EBWebView", 0, REG_SZ, (const BYTE*)folder.c_str(),
                 (DWORD)((folder.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return folder;
}

inline void unregister_fake_runtime() {
  for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) RegDeleteKeyExW(hive, fake_client_state_key, view, 0);
  }
}

inline bool place_fake_loader(const std::wstring& folder) {
  return copy_fake_to(folder + L"\\WebView2Loader.dll");
}

// What every test with a browser starts from: the thread in an OLE
// apartment, the fake registered as the installed runtime, no failure
// injected. False when the registration failed.
inline bool begin_fake_runtime_test() {
  OleInitialize(nullptr);
  unregister_fake_runtime();
  SetEnvironmentVariableW(fake_fail_variable, nullptr);
  return !register_fake_runtime().empty();
}

// Dispatches this thread's messages until the fake in this process has
// answered every environment it was asked for, or for 5 s at most.
inline void let_environments_answer() {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
    std::vector<fake_line> lines = fake_record_in_process();
    if (fake_values(lines, "environment_completed").size() >= fake_values(lines, "create_environment").size()) return;
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    } else {
      Sleep(1);
    }
  }
}

inline void end_fake_runtime_test() {
  SetEnvironmentVariableW(fake_fail_variable, nullptr);
  for (const wchar_t* variable : {fake_page_variable, fake_environment_delay_variable, fake_controller_delay_variable})
    SetEnvironmentVariableW(variable, nullptr);
  unregister_fake_runtime();
  OleUninitialize();
}
