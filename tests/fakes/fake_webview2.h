#pragma once
// The fake WebView2 runtime's contract with test programs, in this process or
// in another one.
//
// The fake is one DLL, wapp_fake_webview2.dll, built beside the test programs.
// It serves both roles of a WebView2 installation: copied into a registered
// install folder as EBWebView\x64\EmbeddedBrowserWebView.dll it is the runtime
// (CreateWebViewEnvironmentWithOptionsInternal, DllCanUnloadNow); copied
// beside a program as WebView2Loader.dll it is the loader
// (CreateCoreWebView2EnvironmentWithOptions, CreateCoreWebView2Environment,
// GetAvailableCoreWebView2BrowserVersionString), which calls its own runtime
// entry with runtime type 0 and retries a failed environment once, as
// Microsoft's loader does. It pins itself in memory on first use, since the
// official loader frees the runtime DLL right after the call. Creation
// completes through messages posted to a window of the calling thread, so
// the caller has to dispatch messages, and the entry fails with
// CO_E_NOTINITIALIZED on a thread that is not a COM single-threaded apartment.
// The browser is a plain child window of the controller's parent whose text
// is the current address or HTML.
//
// Environment variables, read at each call:
//   WAPP_FAKE_WEBVIEW2_LOG   a file to which every recorded line is appended
//                            and flushed at once (UTF-8, one line per call)
//   WAPP_FAKE_WEBVIEW2_FAIL  injected failure, one of
//      environment               every environment completes with E_FAIL
//      controller                every controller completes with E_FAIL
//      controller_invalid_state  ... with HRESULT_FROM_WIN32(ERROR_INVALID_STATE)
//      core_webview              get_CoreWebView2 answers E_FAIL
//      never_complete            environment creation returns S_OK and never completes
//      no_webview_3              the web view withholds ICoreWebView2_3 (E_NOINTERFACE),
//                                as a runtime from before virtual host names does
//      no_settings_9             the settings withhold ICoreWebView2Settings9, as a
//                                runtime before 123 does
//   WAPP_FAKE_WEBVIEW2_PAGE  a file of actions the page takes (UTF-8, one
//                            "<action> <arguments>" per line; empty lines and
//                            lines starting with # are skipped), played once
//                            per web view, in order, from the message loop
//                            once its first navigation has shown a document;
//                            each is logged as "page_action <line>" before it
//                            runs, an unknown one as "page_action_unknown <line>":
//      wait <ms>                 the next action comes this much later
//      close                     the page calls window.close()
//      fetch <address>           the page loads the address (relative to its
//                                document's): through the WebResourceRequested
//                                handler when one of the web view's filters
//                                takes it, else from a mapped folder or the
//                                file:// address's file, else the network
//      permission <uri> <kind>   the document (or frame) at uri asks for the
//                                permission of that COREWEBVIEW2_PERMISSION_KIND
//                                number: PermissionRequested
//      process_failed <kind>     a process of the browser fails: ProcessFailed,
//                                kind browser (the web view is closed, and
//                                web views made after it play no actions),
//                                render or unresponsive
//      title <text>              the document sets its title: DocumentTitleChanged
//                                (a new document has its address as title)
//      new_window <uri>          the page asks for a window (window.open,
//                                target="_blank"): NewWindowRequested
//      navigate <uri> [redirect] the document is to go to uri, by the user's
//                                link or by the server's redirect:
//                                NavigationStarting, and unless it is
//                                cancelled the navigation goes on as Navigate
//      message <source> <json>   the document at source posts the value
//                                written as json (window.chrome.webview.
//                                postMessage): WebMessageReceived; a JSON
//                                string is a text, anything else is not
//   WAPP_FAKE_WEBVIEW2_UNPINNED  set (to anything): the fake does not pin
//                                itself, so that freeing the module's last
//                                reference unloads it, and a completion it
//                                still has pending then runs in unloaded code
//   WAPP_FAKE_WEBVIEW2_ENVIRONMENT_MS, WAPP_FAKE_WEBVIEW2_CONTROLLER_MS
//                                environment and controller creation complete
//                                no sooner than this many milliseconds after
//                                they were asked for, as a real browser
//                                process takes its time to start (a timer of
//                                the asking thread, so its messages must be
//                                dispatched for the completion to come)
//
// Line format: "<time> <pid> <key> <value>\n"; time is
// GetSystemTimePreciseAsFileTime as a decimal number (100 ns since 1601, the
// unit of GetProcessTimes), pid the recording process. In the value a
// backslash is written "\\", a carriage return "\r" and a line feed "\n".
// Fake objects are named <kind>#<serial>: environment, controller, web_view,
// settings, message_args, close_args, new_window_args, navigation_args. Keys
// and values:
//   loader_create <user data folder or (null)>     the loader entry was called
//   loader_retry <hresult>                         ... and asked the runtime again
//   version_query <version>                        GetAvailable...VersionString
//   create_environment <low byte of flag> <runtime type>
//   user_data_folder <path or (null)>
//   browser_arguments <WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS or (unset)>
//   options <present or null>
//   environment_completed <hresult>               (hresult as 0x%08X)
//   create_controller <parent window as %p>
//   controller_completed <hresult>
//   core_webview <hresult>                        get_CoreWebView2
//   settings devtools <0|1>, settings statusbar <0|1>, settings non_client_region <0|1>
//   message_handler added | message_handler removed
//   close_handler added | close_handler removed   WindowCloseRequested
//   new_window_handler added | ... removed        NewWindowRequested
//   navigation_handler added | ... removed        NavigationStarting (raised by Navigate too)
//   title_handler added | ... removed             DocumentTitleChanged
//   failure_handler added | ... removed           ProcessFailed
//   permission_handler added | ... removed        PermissionRequested
//   permission <uri> <kind number> <default|allow|deny>   the answer, when final
//   process_failed <kind number> <heard|unheard>
//   reload <address>                              Reload: the document shown again
//   new_window_handled <0|1>                      the handler's put_Handled
//   popup_window <uri>                            unhandled: the runtime's own window opened
//   navigation_cancel <0|1>                       the handler's put_Cancel; cancelled,
//                                                 the navigation shows nothing
//   window_close_requested <heard|unheard>        the page called window.close()
//   script <text>                                 AddScriptToExecuteOnDocumentCreated
//   navigate <address>, html <text>
//   virtual_host <host> <folder> <access kind>    SetVirtualHostNameToFolderMapping
//   served <present|missing> <file>  after navigate to https://<mapped host>/<path>:
//                                    the file of the mapped folder it names
//   resource_filter <address pattern> <context>    AddWebResourceRequestedFilter
//   resource_handler added | resource_handler removed   WebResourceRequested
//   fetched <address> <status> <Content-Type> <Content-Length> <bytes read> <checksum>
//                             a load (the page's "fetch", and a navigation a
//                             filter takes), answered by the handler ("-" for
//                             a header it did not give), by a mapped folder
//                             or a file (type "-"); "read_failed" in place of
//                             the last two when the body could not be read to
//                             its end; "fetched <address> unanswered" when the
//                             handler gave no response, "... network" when
//                             nothing of the host's took the address.
//                             The checksum: fake_checksum of the bytes.
//   document_scripts <n>      scripts that run in the document just navigated
//   document_file held        the navigated file:// address names a file, which
//                             the web view keeps open (read sharing only, as a
//                             browser showing it would) until the next document
//                             or the controller's close
//   bounds <left> <top> <right> <bottom>
//   visible <0|1>
//   focus <reason>
//   close <controller>
//   message_read <text>                           the page's message was read
//   page_message <heard|unheard>                  a message action met a handler, or none
//   posted_json <json>                            PostWebMessageAsJson: the host's message to the page
//   page_action <line>, page_action_unknown <line>  (WAPP_FAKE_WEBVIEW2_PAGE)
//   released <object> <references left>
//   destroyed <object> <com: sta|mta|none>        the apartment at that moment
//   can_unload_now <0x00000000 or 0x00000001>
//
// A test program may add lines of its own in the same format (for example a
// mark of the moment something happened) with append_fake_log_line.
//
// In the process that loaded it, the fake also exports:
//   const char* wapp_fake_webview2_record()          every line recorded so far
//   void wapp_fake_webview2_clear()                  forgets them
//   int wapp_fake_webview2_live_references()         references on live fake objects
//   int wapp_fake_webview2_post_web_message(const wchar_t*)  delivers a page
//       message to every registered handler; answers how many got it
//   int wapp_fake_webview2_fetch(const wchar_t* address)  has every open web
//       view's page load the address, as the page action does
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/core/utf16.h"

constexpr wchar_t fake_log_variable[] = L"WAPP_FAKE_WEBVIEW2_LOG";
constexpr wchar_t fake_fail_variable[] = L"WAPP_FAKE_WEBVIEW2_FAIL";
constexpr wchar_t fake_environment_delay_variable[] = L"WAPP_FAKE_WEBVIEW2_ENVIRONMENT_MS";
constexpr wchar_t fake_controller_delay_variable[] = L"WAPP_FAKE_WEBVIEW2_CONTROLLER_MS";
constexpr wchar_t fake_page_variable[] = L"WAPP_FAKE_WEBVIEW2_PAGE";
constexpr wchar_t fake_unpinned_variable[] = L"WAPP_FAKE_WEBVIEW2_UNPINNED";
constexpr wchar_t fake_dll_name[] = L"wapp_fake_webview2.dll";
constexpr char fake_runtime_version[] = "120.0.2210.91";

struct fake_line {
  uint64_t time;
  DWORD pid;
  std::string key, value;
};


// The file a browser opens for a file:// address (UTF-8): the path (a "/"
// before a drive letter dropped) up to a fragment's "#", escapes decoded;
// empty for any other address.
inline std::string file_address_path(const std::string& address) {
  if (address.rfind("file://", 0) != 0) return "";
  std::string path = address.substr(7, address.find('#') - 7), plain;
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  for (size_t i = 0; i < path.size(); i++) {
    bool escape = path[i] == '%' && i + 2 < path.size() && isxdigit((unsigned char)path[i + 1]) &&
                  isxdigit((unsigned char)path[i + 2]);
    plain += escape ? (char)std::stoi(path.substr(i + 1, 2), nullptr, 16) : path[i];
    if (escape) i += 2;
  }
  return plain;
}

inline std::string fake_unescape(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
      continue;
    }
    char next = text[++i];
    plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return plain;
}

inline std::vector<fake_line> parse_fake_lines(const std::string& text) {
  std::vector<fake_line> lines;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    std::istringstream fields(raw);
    fake_line line{};
    if (!(fields >> line.time >> line.pid >> line.key)) continue;
    std::string rest;
    std::getline(fields, rest);
    line.value = fake_unescape(rest.empty() ? rest : rest.substr(1));
    lines.push_back(line);
  }
  return lines;
}

inline std::vector<fake_line> read_fake_log(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got) text.append(block, got);
  CloseHandle(file);
  return parse_fake_lines(text);
}

// What the fake logs for the bytes a load read: FNV-1a of 32 bits, in hex.
inline std::string fake_checksum(const std::string& bytes) {
  uint32_t hash = 2166136261u;
  for (char c : bytes) hash = (hash ^ (uint8_t)c) * 16777619u;
  char text[9];
  snprintf(text, sizeof text, "%08x", hash);
  return text;
}

// One log line of this process, stamped now; value is written as given.
inline std::string fake_log_line(const std::string& key, const std::string& value) {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return std::to_string(((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime) + " " +
         std::to_string(GetCurrentProcessId()) + " " + key + " " + value + "\n";
}

// Opened for each line, so that another process reading the file sees every
// line as soon as it is written.
inline void append_to_fake_log(const std::string& line) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(fake_log_variable, path, MAX_PATH);
  if (!length || length >= MAX_PATH) return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), (DWORD)line.size(), &written, nullptr);
  CloseHandle(file);
}

// Adds a line of the caller's own to the log file named by
// WAPP_FAKE_WEBVIEW2_LOG; value is not escaped.
inline void append_fake_log_line(const std::string& key, const std::string& value) {
  append_to_fake_log(fake_log_line(key, value));
}

// The values recorded under key, oldest first; pid 0 takes every process.
inline std::vector<std::string> fake_values(const std::vector<fake_line>& lines, const std::string& key, DWORD pid = 0) {
  std::vector<std::string> values;
  for (const fake_line& line : lines) {
    if (line.key == key && (!pid || line.pid == pid)) values.push_back(line.value);
  }
  return values;
}

inline std::string last_fake_value(const std::vector<fake_line>& lines, const std::string& key, DWORD pid = 0) {
  std::vector<std::string> values = fake_values(lines, key, pid);
  return values.empty() ? std::string() : values.back();
}

// Position of the first line with key and value (any value when empty) at or
// after from; lines.size() when there is none.
inline size_t find_fake_line(const std::vector<fake_line>& lines, const std::string& key, const std::string& value = "",
                             size_t from = 0) {
  for (size_t i = from; i < lines.size(); i++) {
    if (lines[i].key == key && (value.empty() || lines[i].value == value)) return i;
  }
  return lines.size();
}

// A rectangle as the fake records bounds: "<left> <top> <right> <bottom>".
inline std::string rect_text(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

// The copy of the fake loaded in this process, under any of its names.
inline HMODULE fake_module() {
  for (const wchar_t* name : {L"EmbeddedBrowserWebView.dll", L"WebView2Loader.dll", fake_dll_name}) {
    if (HMODULE module = GetModuleHandleW(name)) return module;
  }
  return nullptr;
}

template <class Entry>
Entry fake_export(const char* name) {
  HMODULE module = fake_module();
  return module ? (Entry)(void*)GetProcAddress(module, name) : nullptr;
}

inline std::vector<fake_line> fake_record_in_process() {
  auto record = fake_export<const char* (*)()>("wapp_fake_webview2_record");
  return record ? parse_fake_lines(record()) : std::vector<fake_line>{};
}

inline void clear_fake_record() {
  if (auto clear = fake_export<void (*)()>("wapp_fake_webview2_clear")) clear();
}

inline int fake_live_references() {
  auto live = fake_export<int (*)()>("wapp_fake_webview2_live_references");
  return live ? live() : 0;
}

inline int post_fake_web_message(const wchar_t* text) {
  auto post = fake_export<int (*)(const wchar_t*)>("wapp_fake_webview2_post_web_message");
  return post ? post(text) : 0;
}

// Has every open web view of this process load the address (the fake's export).
inline int fake_fetch(const wchar_t* address) {
  auto fetch = fake_export<int (*)(const wchar_t*)>("wapp_fake_webview2_fetch");
  return fetch ? fetch(address) : 0;
}
