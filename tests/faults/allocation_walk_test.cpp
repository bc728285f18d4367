// Every allocation of the runtime's heaps failed once, one run per
// allocation: a settings parse, the unpacking of a real-sized web app, and
// the launcher's run from start-up to its window and back. Each run must end
// with the documented result, nothing half-written on disk and every block
// it took given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fault_walk.h"
#include "launcher/main_sequence.h"
#include "launcher/web_app_folder.h"
#include "runtime/core/strings.h"
#include "runtime/json/json.h"
#include "runtime/window/desktops.h"
#include "runtime/window/windows.h"
#include "support/fake_runtime.h"

namespace {

// As the packer writes it, with more than the launcher reads: an array, an
// object and a text longer than the parser's first token buffer.
const std::string settings_json =
    "{\r\n  \"WindowWidth\": \"640\",\r\n  \"WindowHeight\": \"480\",\r\n"
    "  \"WindowTitle\": \"Fault walk \xC3\xBC\",\r\n  \"StartURL\": \"https://example.org/start\",\r\n"
    "  \"AlwaysOnTop\": \"0\",\r\n  \"ShowMinimizeButton\": \"0\",\r\n  \"ShowMaximizeButton\": \"1\",\r\n"
    "  \"Fullscreen\": \"0\",\r\n  \"Frameless\": \"0\",\r\n  \"Resizable\": \"1\",\r\n"
    "  \"ExeFileName\": \"app.exe\",\r\n  \"ZipFileName\": \"app.zip\",\r\n  \"AppIcon\": null,\r\n"
    "  \"Extra\": [1, 2.5e3, true, false, {\"a\": \"b\", \"c\": []}],\r\n  \"Notes\": \"" +
    std::string(1500, 'n') + "\"\r\n}";

struct settings_values {
  std::wstring title, start, host;
  int64_t numbers[8];
};

settings_values values_of(const launcher_settings& s) {
  return {s.window_title.c_str(),
          s.start_address.c_str(),
          wide_of(s.app.virtual_host),
          {s.window_width, s.window_height, s.always_on_top, s.show_minimize_button, s.show_maximize_button,
           s.fullscreen, s.frameless, s.resizable}};
}

// A setting read while memory ran out is its value, or lost: the empty
// text, which reads as 0. Never another text.
void expect_value_or_lost(const settings_values& got, const settings_values& expected) {
  for (auto [text, want] :
       {std::pair{got.title, expected.title}, {got.start, expected.start}, {got.host, expected.host}})
    EXPECT_TRUE(text == want || text.empty()) << text;
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(got.numbers[i] == expected.numbers[i] || got.numbers[i] == 0) << i;
}

class AllocationWalk : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(faults.installed()); }
  scratch_temp temp;
  fault_switch faults;
};

TEST_F(AllocationWalk, SettingsParse) {
  start_launcher_runtime();
  void* block = memory_block_of(settings_json);
  const int32_t length = (int32_t)settings_json.size();
  auto read_settings = [&](launcher_settings& settings, string_var& text) {
    int64_t start = accumulator.offset;
    settings_document_text(block, length, start);
    text.store(start);
    bool decoding_failed = faults.counts().fired;
    int64_t parsed = parse_json(0, text.c_str());
    if (parsed) read_launcher_settings(json_root(0), settings);
    return std::pair{decoding_failed, parsed};
  };
  settings_values expected;
  std::wstring whole_text;
  {
    launcher_settings settings{};
    string_var text;
    ASSERT_NE(read_settings(settings, text).second, 0);
    expected = values_of(settings);
    whole_text = text.c_str();
    release_json_document(0);
  }
  ASSERT_EQ(expected.title, L"Fault walk \u00FC");
  ASSERT_EQ(expected.numbers[0], 640);

  int64_t points = walk_every_point(faults, [&](int64_t n) {
    // A fresh accumulator, so that its growth is walked as well.
    string_library_stop();
    string_library_start();
    const live_blocks before = live_of(faults);
    const int64_t offset = accumulator.offset;
    {
      launcher_settings settings{};
      string_var text;
      faults.arm(fault_kind::allocation, n);
      auto [decoding_failed, parsed] = read_settings(settings, text);
      faults.disarm();
      EXPECT_EQ(accumulator.offset, offset);
      if (decoding_failed) {
        // No text at all: the parse finds nothing to read.
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(parsed, 0);
      } else {
        EXPECT_EQ(text.c_str(), whole_text);
      }
      if (!parsed && !decoding_failed) {
        EXPECT_STREQ(json_error->message, "Out of memory");
      }
      if (parsed) expect_value_or_lost(values_of(settings), expected);
      EXPECT_EQ(parsed != 0, json_root(0) != nullptr);
      release_json_document(0);
    }
    EXPECT_EQ(live_of(faults), before);
  });
  printf("settings parse: %lld allocation points\n", (long long)points);
  EXPECT_GT(points, 20);
  stop_launcher_runtime();
}

// Out of memory in the string accumulator: a text result that cannot be
// built reads as the empty text, never as an earlier statement's text that
// the buffer still holds, and a buffer that could not be had at start-up is
// made on first use.
TEST_F(AllocationWalk, TextResults) {
  faults.arm(fault_kind::allocation, 1);
  string_library_start();
  faults.disarm();
  EXPECT_EQ(accumulator.buffer, nullptr);
  {
    text_scope scope;
    append_text(L"made on first use");
    EXPECT_STREQ(scope.text(), L"made on first use");
  }
  string_library_stop();
  string_library_start();
  {
    text_scope scope;
    append_text(L"an earlier text, longer than the empty one");
  }
  // Each needs more room than the buffer has.
  const std::string bytes(100000, 'x');
  const std::wstring text(100000, L'x');
  std::function<void(int64_t)> builders[] = {
      [&](int64_t at) { bytes_to_string(bytes.data(), (int64_t)bytes.size(), text_format_utf8, at); },
      [&](int64_t at) { utf8_to_text(bytes.c_str(), at); },
      [&](int64_t) { append_text(text.c_str()); },
  };
  for (const auto& build : builders) {
    text_scope scope;
    faults.arm(fault_kind::allocation, 1);
    build(scope.start());
    faults.disarm();
    EXPECT_TRUE(faults.counts().fired);
    EXPECT_STREQ(scope.text(), L"");
    EXPECT_EQ(accumulator.offset, scope.start());
  }
  string_library_stop();
}

// The archive as the launcher finds it in its payload, and what it holds.
struct web_app_payload {
  entry_list app = real_sized_app();
  std::string archive;
  void* block = nullptr;
  // Made with the pack library's writer, outside the temporary directory.
  bool make() {
    enable_zip_packer();
    fs::path zip = unique_temp_path(L"wapp-faults-app-") + L".zip";
    if (write_zip(zip, app) != L"") return false;
    archive = read_file(zip);
    fs::remove(zip);
    block = memory_block_of(archive);
    return block != nullptr;
  }
};

TEST_F(AllocationWalk, Unpacking) {
  start_launcher_runtime();
  web_app_payload payload;
  ASSERT_TRUE(payload.make());
  auto unpack = [&] {
    text_scope scope;
    return std::wstring(unpack_web_app(payload.block, (int32_t)payload.archive.size(), scope.start()));
  };
  // The first run keeps what lives as long as the libraries do.
  std::wstring folder = unpack();
  ASSERT_EQ(compare_folder(folder, payload.app, payload.archive).missing.size(), 0u);
  remove_web_app_folder(folder.c_str());

  int64_t points = walk_every_point(faults, [&](int64_t n) {
    const live_blocks before = live_of(faults);
    const int64_t offset = accumulator.offset;
    faults.arm(fault_kind::allocation, n);
    std::wstring folder = unpack();
    faults.disarm();
    EXPECT_EQ(accumulator.offset, offset);
    if (folder.empty()) {
      EXPECT_EQ(temp.left(), std::set<std::wstring>{});
    } else {
      folder_contents contents = compare_folder(folder, payload.app, payload.archive);
      EXPECT_EQ(contents.strays, std::vector<std::wstring>{});
      if (!faults.counts().fired) {
        EXPECT_EQ(contents.missing, std::vector<std::wstring>{});
      }
    }
    remove_web_app_folder(folder.c_str());
    EXPECT_EQ(temp.left(), std::set<std::wstring>{});
    EXPECT_EQ(live_of(faults), before);
  });
  printf("unpacking %zu entries: %lld allocation points\n", payload.app.size(), (long long)points);
  // At least a copy buffer for every file.
  EXPECT_GT(points,
            std::count_if(payload.app.begin(), payload.app.end(), [](auto& e) { return !e.first.ends_with(L'/'); }));
  stop_launcher_runtime();
}

// A launcher file as the packer leaves it, outside the temporary directory:
// a small web app, since the unpacking's every point is walked above.
class launcher_file {
 public:
  launcher_file() : path_(unique_temp_path(L"wapp-faults-launcher-") + L".exe") {}
  ~launcher_file() { DeleteFileW(path_.c_str()); }
  const entry_list app = {{L"css/", ""}, {L"css/site.css", "body{}"}, {L"index.html", "<p>app</p>"}};
  bool write() {
    fs::path zip = path_ + L".zip";
    start_launcher_runtime();
    enable_zip_packer();
    bool made = write_zip(zip, app) == L"";
    stop_launcher_runtime();
    archive = read_file(zip);
    fs::remove(zip);
    write_whole_file(path_, "MZ" + trailer_bytes(settings_json, archive));
    return made;
  }
  const wchar_t* path() const { return path_.c_str(); }
  std::string archive;

 private:
  std::wstring path_;
};

// Anything the run leaves behind is wrong; what it shows must be the app's
// page while its folder is there, and the start address only without one.
struct launcher_outcome {
  std::wstring folder;
  std::vector<std::string> addresses;
  int browser_references;
  bool window_not_made;  // desktops found, and still no window (the app is unpacked after it)
  // No window, and the browser's environment, asked for early, came anyway.
  bool environment_without_window;
};

TEST_F(AllocationWalk, LauncherRun) {
  ASSERT_TRUE(begin_fake_runtime_test());
  launcher_file launcher;
  ASSERT_TRUE(launcher.write());
  const std::set<std::wstring> test_files = temp.left();
  auto run = [&](int64_t n) {
    launcher_outcome outcome;
    clear_fake_record();
    faults.arm(fault_kind::allocation, n);
    {
      launcher_state state{};
      faults.add_root(&state, sizeof state);
      start_launcher_runtime();
      state.payload = read_payload_trailer_of(launcher.path());
      const bool opened = open_web_app(state);
      // Only a run with a window may wait for its close; one that could not
      // make it ends like any other, exit code 0 and its folder gone.
      EXPECT_EQ(opened, window_handle(0) != nullptr);
      outcome.window_not_made = !opened && desktop_width(0) > 0;
      if (opened && window_handle(0)) {
        // A size change and the close box, twice: a close event that could
        // not be queued for want of memory is asked for again, as a user would.
        SetWindowPos(window_handle(0), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessageW(window_handle(0), WM_CLOSE, 0, 0);
        PostMessageW(window_handle(0), WM_CLOSE, 0, 0);
        run_event_loop();
      } else {
        // The environment asked for before the unpacking arrives with no web
        // view to take it: the stop has to let it go.
        let_environments_answer();
        outcome.environment_without_window =
            last_fake_value(fake_record_in_process(), "environment_completed") == "0x00000000";
      }
      outcome.folder = state.web_app_folder.c_str();
      if (!outcome.folder.empty()) {
        EXPECT_EQ(compare_folder(outcome.folder, launcher.app, launcher.archive).strays, std::vector<std::wstring>{});
      }
      close_web_app(state);
      release_payload_trailer(state.payload);
      stop_launcher_runtime();
      EXPECT_EQ(state.exit_code, 0);
      faults.clear_roots();
    }
    faults.disarm();
    outcome.addresses = fake_values(fake_record_in_process(), "navigate");
    outcome.browser_references = fake_live_references();
    EXPECT_EQ(temp.left(), test_files);
    return outcome;
  };
  launcher_outcome clean = run(0);
  ASSERT_EQ(clean.addresses, std::vector<std::string>{"file://" + utf8_of(clean.folder) + "index.html"});
  // One environment for the run: the one asked for early is the web view's.
  ASSERT_EQ(fake_values(fake_record_in_process(), "create_environment").size(), 1u);
  ASSERT_EQ(unreachable_of(faults), (live_blocks{0, 0, 0}));

  int64_t windows_not_made = 0, runs_without_window = 0;
  int64_t points = walk_every_point(faults, [&](int64_t n) {
    launcher_outcome outcome = run(n);
    windows_not_made += outcome.window_not_made;
    runs_without_window += outcome.environment_without_window;
    const std::string page = "file://" + utf8_of(outcome.folder) + "index.html";
    // Without the payload's settings (their block could not be had) the
    // built-in document's address is the start address.
    for (const std::string& address : outcome.addresses) {
      bool start = address == "https://example.org/start" ||
                   std::wstring(default_settings_document).find(L"\"StartURL\":\"" + wide_of(address) + L"\"") !=
                       std::wstring::npos;
      EXPECT_TRUE(outcome.folder.empty() ? start : address == page) << address;
    }
    EXPECT_EQ(outcome.browser_references, 0);
    // The heaps go whole at the end, registries and all; what matters is
    // that nothing in them was lost on the way.
    EXPECT_EQ(unreachable_of(faults), (live_blocks{0, 0, 0}));
  });
  printf("launcher run: %lld allocation points, %lld without a window, %lld of them after the browser's start\n",
         (long long)points, (long long)windows_not_made, (long long)runs_without_window);
  EXPECT_GT(windows_not_made, 0);
  EXPECT_GT(runs_without_window, 0) << "no run ended without a window once the browser was asked for";
  end_fake_runtime_test();
}

}  // namespace
