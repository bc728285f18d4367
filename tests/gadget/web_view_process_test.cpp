// Web views in processes of their own, through the probe: what happens once
// per process, the order at shut-down, and which runtime a program finds.
#include <optional>

#include "support/temp_files.h"
#include "web_view_test_support.h"

namespace {

using strings = std::vector<std::string>;


struct probe_run {
  DWORD exit_code, pid;
};

probe_run run_probe(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return {~0u, 0};
  WaitForSingleObject(process.hProcess, 60000);
  DWORD exit_code = ~0u;
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {exit_code, process.dwProcessId};
}

std::wstring probe_here() { return test_program_folder() + L"web_view_probe.exe"; }

// The probes log to a file of this test; the variables they inherit are put back.
class WebViewProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    unregister_fake_runtime();
    ASSERT_FALSE(register_fake_runtime().empty());
    log = unique_temp_path(L"wapp-fake-log-");
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(fake_log_variable, log.c_str());
  }
  void TearDown() override {
    // The fake's installation is found under the real temporary directory.
    temp_override.reset();
    SetEnvironmentVariableW(fake_log_variable, nullptr);
    SetEnvironmentVariableW(browser_arguments_variable, nullptr);
    SetEnvironmentVariableW(fake_environment_delay_variable, nullptr);
    SetEnvironmentVariableW(fake_unpinned_variable, nullptr);
    unregister_fake_runtime();
    DeleteFileW(log.c_str());
  }
  std::wstring log;
  std::optional<temp_directory_override> temp_override;
};

TEST_F(WebViewProcess, FirstBrowserSetsWholeArgumentsOverAnInheritedValueOnceAndGoesBeforeOle) {
  // A temporary folder too long for the value to fit in 260 units.
  std::wstring base = unique_temp_path(L"wapp-long-temp-");
  std::wstring temp = base + L"\\" + std::wstring(240 - base.size(), L'x');
  CreateDirectoryW(base.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  temp_override.emplace(temp);
  SetEnvironmentVariableW(browser_arguments_variable, L"--inherited");
  probe_run run = run_probe(probe_here(), L"about:blank again");
  RemoveDirectoryW(temp.c_str());
  RemoveDirectoryW(base.c_str());

  EXPECT_EQ(run.exit_code, 0u);
  std::vector<fake_line> lines = read_fake_log(log);
  std::wstring whole = L"--disk-cache-dir=\"" + temp + L"\\\\WebView2_Cache\"";
  ASSERT_GT(whole.size(), 259u);
  EXPECT_EQ(fake_values(lines, "browser_arguments", run.pid), (strings{utf8_of(whole), "changed"}));
  // Both browsers are gone at the end: the first when it was replaced, the
  // second at shut-down, and each before OLE was uninitialised.
  size_t ole_stopped = find_fake_line(lines, "ole_stopped");
  ASSERT_LT(ole_stopped, lines.size());
  int controllers = 0;
  for (size_t i = 0; i < lines.size(); i++) {
    if (lines[i].pid != run.pid || lines[i].key != "destroyed") continue;
    controllers += lines[i].value.rfind("controller#", 0) == 0;
    EXPECT_LT(i, ole_stopped) << lines[i].value;
  }
  EXPECT_EQ(controllers, 2);
}

TEST_F(WebViewProcess, RegisteredRuntimeComesFirstThenTheLoaderBesideTheProgram) {
  std::wstring folder = unique_temp_path(L"wapp-loader-");
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring probe = folder + L"\\web_view_probe.exe";
  ASSERT_TRUE(CopyFileW(probe_here().c_str(), probe.c_str(), FALSE));
  ASSERT_TRUE(place_fake_loader(folder));

  probe_run registered = run_probe(probe, L"about:blank");
  unregister_fake_runtime();
  probe_run loader = run_probe(probe, L"https://example.org/");
  probe_run neither = run_probe(probe_here(), L"about:blank");
  DeleteFileW(probe.c_str());
  DeleteFileW((folder + L"\\WebView2Loader.dll").c_str());
  RemoveDirectoryW(folder.c_str());

  EXPECT_EQ(registered.exit_code, 0u);
  EXPECT_EQ(loader.exit_code, 0u);
  EXPECT_EQ(neither.exit_code, 1u);
  std::vector<fake_line> lines = read_fake_log(log);
  EXPECT_TRUE(fake_values(lines, "loader_create", registered.pid).empty());
  EXPECT_EQ(fake_values(lines, "create_environment", registered.pid).size(), 1u);
  EXPECT_EQ(fake_values(lines, "loader_create", loader.pid).size(), 1u);
  EXPECT_EQ(fake_values(lines, "create_environment", loader.pid), (strings{"1 0"}));
  EXPECT_EQ(fake_values(lines, "navigate", loader.pid), (strings{"https://example.org/"}));
  EXPECT_TRUE(fake_values(lines, "create_environment", neither.pid).empty());
}

// The run gives up on the browser while its environment is still being
// created, and lives on. The loader beside the program does not pin itself
// here, so only the browser layer keeps it loaded: the late completion must
// find its code still there (unloaded, it would crash the process).
TEST_F(WebViewProcess, ACompletionAfterTheRunGaveUpMidCreationRunsInCodeStillLoaded) {
  unregister_fake_runtime();
  std::wstring folder = unique_temp_path(L"wapp-late-");
  CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring probe = folder + L"\\web_view_probe.exe";
  ASSERT_TRUE(CopyFileW(probe_here().c_str(), probe.c_str(), FALSE));
  ASSERT_TRUE(place_fake_loader(folder));
  SetEnvironmentVariableW(fake_environment_delay_variable, L"1000");
  SetEnvironmentVariableW(fake_unpinned_variable, L"1");
  probe_run run = run_probe(probe, L"about:blank late 200");
  DeleteFileW(probe.c_str());
  DeleteFileW((folder + L"\\WebView2Loader.dll").c_str());
  RemoveDirectoryW(folder.c_str());

  EXPECT_EQ(run.exit_code, 1u);  // no browser in time, and no crash
  std::vector<fake_line> lines = read_fake_log(log);
  size_t stopped = find_fake_line(lines, "ole_stopped");
  size_t completed = find_fake_line(lines, "environment_completed", "0x00000000", stopped);
  size_t over = find_fake_line(lines, "late_wait_over", "", completed);
  EXPECT_LT(stopped, lines.size());
  EXPECT_LT(completed, lines.size());
  EXPECT_LT(over, lines.size());
  EXPECT_TRUE(fake_values(lines, "create_controller", run.pid).empty());
}

}  // namespace
