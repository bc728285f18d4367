#include "launcher_driver.h"

#include <cwctype>

namespace {

constexpr DWORD poll_ms = 20;

// launcher.exe as the build leaves it, beside the tests' own folder.
fs::path built_launcher() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().parent_path() / "launcher" / "launcher.exe";
}

bool starts_with_name(const wchar_t* entry, const wchar_t* name) {
  size_t n = wcslen(name);
  return _wcsnicmp(entry, name, n) == 0 && entry[n] == L'=';
}

struct window_search {
  DWORD process;
  const std::wstring* title;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM parameter) {
  auto* search = (window_search*)parameter;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (process != search->process || !IsWindowVisible(window) || *search->title != title) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK count_child(HWND, LPARAM parameter) {
  ++*(int*)parameter;
  return TRUE;
}

}  // namespace

window_facts facts_of(HWND window) {
  window_facts facts = {};
  GetWindowRect(window, &facts.outer);
  GetClientRect(window, &facts.client);
  facts.style = GetWindowLongW(window, GWL_STYLE);
  facts.extended_style = GetWindowLongW(window, GWL_EXSTYLE);
  EnumChildWindows(window, count_child, (LPARAM)&facts.child_windows);
  return facts;
}

std::wstring environment_with_temp(const fs::path& temp) {
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1)
    if (!starts_with_name(entry, L"TMP") && !starts_with_name(entry, L"TEMP")) block.append(entry).push_back(0);
  FreeEnvironmentStringsW(strings);
  for (const wchar_t* name : {L"TMP=", L"TEMP="}) block.append(name).append(temp.wstring()).push_back(0);
  block.push_back(0);
  return block;
}

launcher_run::launcher_run(const fs::path& executable, const fs::path& temp) {
  std::wstring environment = environment_with_temp(temp);
  std::wstring command = L"\"" + executable.wstring() + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(executable.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), nullptr, &startup, &process_))
    process_ = {};
}

launcher_run::~launcher_run() {
  if (!started()) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) kill();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND launcher_run::wait_for_window(const std::wstring& title) {
  window_search search = {process_.dwProcessId, &title, nullptr};
  for (DWORD waited = 0; started() && waited < launcher_timeout_ms; waited += poll_ms) {
    EnumWindows(match_window, (LPARAM)&search);
    // The window shows before the launcher has finished setting it up
    // (always on top comes after); it is done when it waits for input.
    if (search.found && WaitForInputIdle(process_.hProcess, launcher_timeout_ms) == 0) return window = search.found;
    if (WaitForSingleObject(process_.hProcess, poll_ms) == WAIT_OBJECT_0) break;
  }
  return nullptr;
}

void launcher_run::close() { PostMessageW(window, WM_CLOSE, 0, 0); }

DWORD launcher_run::wait_for_exit() {
  DWORD code = STILL_ACTIVE;
  if (started() && WaitForSingleObject(process_.hProcess, launcher_timeout_ms) == WAIT_OBJECT_0)
    GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void launcher_run::kill() {
  TerminateProcess(process_.hProcess, 9);
  WaitForSingleObject(process_.hProcess, launcher_timeout_ms);
}

void end_to_end_test::SetUpTestSuite() {
  file_library_start();
  pack_library_start();
  enable_zip_packer();
}

void end_to_end_test::TearDownTestSuite() {
  pack_library_stop();
  file_library_stop();
}

void end_to_end_test::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  root = fs::temp_directory_path() / ("wapp-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + info->name());
  bin = root / "bin";
  temp = root / "tmp";
  fs::remove_all(root);
  fs::create_directories(bin);
  fs::create_directories(temp);
}

void end_to_end_test::TearDown() {
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

std::string end_to_end_test::archive_of(const entry_list& files) {
  fs::path zip = root / "payload.zip";
  EXPECT_EQ(write_zip(zip, files), L"") << "not added to the archive";
  std::string bytes = read_file(zip);
  fs::remove(zip);
  return bytes;
}

fs::path end_to_end_test::make_launcher(const std::wstring& name, const std::string& settings,
                                        const entry_list& files) {
  fs::path executable = bin / (name + L".exe");
  last_archive = files.empty() ? "" : archive_of(files);
  write_file(executable, read_file(built_launcher()) + payload_trailer(settings, last_archive));
  return executable;
}

fs::path end_to_end_test::plain_launcher(const std::wstring& name) {
  fs::path executable = bin / (name + L".exe");
  fs::copy_file(built_launcher(), executable);
  return executable;
}

std::set<std::wstring> end_to_end_test::web_app_folders() const {
  std::set<std::wstring> folders;
  for (const std::wstring& name : tree_of(temp))
    if (name.starts_with(L"webapp")) folders.insert(name);
  return folders;
}

std::string settings_document(const std::string& title, const setting_list& changes) {
  setting_list settings = {{"ExeFileName", title + ".exe"}, {"WindowWidth", "500"},      {"WindowHeight", "850"},
                           {"WindowTitle", title},          {"StartURL", "index.html"}, {"AlwaysOnTop", "0"},
                           {"ShowMinimizeButton", "0"},     {"ShowMaximizeButton", "0"}, {"Fullscreen", "0"},
                           {"Frameless", "0"},              {"Resizable", "0"}};
  for (const auto& [key, value] : changes)
    for (auto& setting : settings)
      if (setting.first == key) setting.second = value;
  // Pretty-printed with CRLF line ends, as the packer writes it.
  std::string document = "{";
  for (const auto& [key, value] : settings)
    document += (document.size() > 1 ? ",\r\n  \"" : "\r\n  \"") + key + "\": \"" + value + "\"";
  return document + "\r\n}";
}
