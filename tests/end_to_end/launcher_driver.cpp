#include "launcher_driver.h"

#include <algorithm>
#include <sstream>

#include "wapp_pack.h"

void end_to_end_test::SetUpTestSuite() {
  // Rectangles and screen metrics in device pixels, as the launcher, which
  // declares DPI awareness, has them.
  SetProcessDPIAware();
  file_library_start();
  pack_library_start();
  enable_zip_packer();
}

// The prefix is shared with the other test programs: the runtime is
// registered for this one's tests only.
void end_to_end_test::TearDownTestSuite() {
  unregister_fake_runtime();
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
  ASSERT_FALSE(register_fake_runtime().empty()) << "the fake WebView2 runtime is not registered";
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

fs::path end_to_end_test::make_launcher(const std::wstring& name, const std::string& settings, const entry_list& files,
                                        const fs::path& base) {
  return make_launcher(name, settings, files.empty() ? "" : archive_of(files), base);
}

fs::path end_to_end_test::make_launcher(const std::wstring& name, const std::string& settings,
                                        const std::string& archive, const fs::path& base) {
  fs::path executable = bin / (name + L".exe");
  last_archive = archive;
  write_file(executable, read_file(base) + trailer_bytes(settings, archive));
  return executable;
}

fs::path end_to_end_test::plain_launcher(const std::wstring& name) {
  fs::path executable = bin / (name + L".exe");
  fs::copy_file(built_launcher(), executable);
  return executable;
}

int end_to_end_test::run_packer(const std::vector<fs::path>& args, std::string& output) {
  std::vector<std::string> texts;
  for (const fs::path& arg : args) texts.push_back((const char*)arg.u8string().c_str());
  std::ostringstream printed;
  int status = run_wapp_pack(texts, tool_context{bin, printed, printed, false});
  output = printed.str();
  return status;
}

std::string end_to_end_test::app_address(const std::wstring& folder) const {
  return utf8_of(L"file://" + temp.wstring() + L"\\" + folder + L"/index.html");
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
  for (const auto& [key, value] : changes) {
    auto found = std::find_if(settings.begin(), settings.end(), [&](const auto& s) { return s.first == key; });
    if (found == settings.end())
      settings.emplace_back(key, value);
    else
      found->second = value;
  }
  // Pretty-printed with CRLF line ends, as the packer writes it.
  std::string document = "{";
  for (const auto& [key, value] : settings)
    document += (document.size() > 1 ? ",\r\n  \"" : "\r\n  \"") + key + "\": \"" + value + "\"";
  return document + "\r\n}";
}

std::set<std::string> destroyed_browser_objects(const std::vector<fake_line>& lines) {
  std::set<std::string> objects;
  for (const std::string& value : fake_values(lines, "destroyed")) {
    std::string kind = value.substr(0, value.find('#'));
    if (!kind.ends_with("_args")) objects.insert(kind + value.substr(value.find(' ')));
  }
  return objects;
}

namespace {

// The shell opens an address with the command of its scheme's class.
std::wstring scheme_class(const std::wstring& scheme) { return L"Software\\Classes\\" + scheme; }
std::wstring open_command(const std::wstring& scheme) { return scheme_class(scheme) + L"\\shell\\open\\command"; }

void set_open_command(const std::wstring& scheme, const std::wstring& command) {
  RegSetKeyValueW(HKEY_LOCAL_MACHINE, open_command(scheme).c_str(), nullptr, REG_SZ, command.c_str(),
                  (DWORD)((command.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

stand_in_browser::stand_in_browser(std::vector<std::wstring> schemes) {
  for (const std::wstring& scheme : schemes) {
    handler saved{scheme, L"", false};
    HKEY key = nullptr;
    saved.existed = RegOpenKeyExW(HKEY_LOCAL_MACHINE, scheme_class(scheme).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key) RegCloseKey(key);
    wchar_t previous[1024] = {};
    DWORD size = sizeof previous;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, open_command(scheme).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, previous,
                     &size) == ERROR_SUCCESS)
      saved.previous = previous;
    handlers_.push_back(saved);
    set_open_command(scheme, L"\"" + test_program_folder() + L"browser_stand_in.exe\" \"%1\"");
  }
}

stand_in_browser::~stand_in_browser() {
  for (const handler& saved : handlers_) {
    if (!saved.existed) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, scheme_class(saved.scheme).c_str());
    } else if (saved.previous.empty()) {
      RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, open_command(saved.scheme).c_str(), nullptr);
    } else {
      set_open_command(saved.scheme, saved.previous);
    }
  }
}
