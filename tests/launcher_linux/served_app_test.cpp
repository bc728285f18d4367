// The app served under its host by the real engine: the probe app's every
// check, under the packer's default host, under one given in mixed case,
// and under one a payload carries in mixed case.
#include "linux_launcher_support.h"
#include "support/probe_app.h"

namespace {

class ServedApp : public linux_launcher_test {
 protected:
  // The checks whose cells are not green once the page has its verdict, with
  // the colour they show; one line naming the page's colour when it gives
  // none in time.
  std::vector<std::string> failed_checks(const std::string& title) {
    Window window = wait_for_x_window(screen.get(), title, 30000);
    screen_rect rect{};
    uint32_t verdict = 0;
    for (int waited = 0; window && waited < 60000 && verdict != green && verdict != red; waited += 100) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (x_window_rect(screen.get(), window, rect))
        verdict = screen_pixel(screen.get(), rect.left + rect.width / 2, rect.top + rect.height / 2);
    }
    if (verdict != green && verdict != red) return {"no verdict: the page shows " + colour_text(verdict)};
    std::vector<std::string> failed;
    for (size_t i = 0; i < probe_checks.size(); i++) {
      int x = rect.left + (int)i * probe_cell_size + probe_cell_size / 2, y = rect.top + probe_cell_size / 2;
      uint32_t cell = screen_pixel(screen.get(), x, y);
      if (cell != green) failed.push_back(probe_checks[i] + ": " + colour_text(cell));
    }
    if (verdict == red && failed.empty()) failed.push_back("the page is red, and every cell green");
    return failed;
  }

  static std::string colour_text(uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", colour);
    return text;
  }
};

TEST_F(ServedApp, TheProbePassesEveryCheckUnderTheDefaultHostAndUnderOneInMixedCase) {
  for (const auto& [name, bytes] : probe_outside_files()) write(dir / "outside" / name, bytes);
  fs::path app = dir / "probe";  // the test's folder has a plain ASCII name: no escapes in its address
  for (const auto& [name, bytes] : probe_app_files("file://" + (dir / "outside").string() + "/")) write(app / name, bytes);
  struct {
    const char* title;
    std::vector<std::string> options;
    bool as_written;  // the payload's host in the letter case given, as packers before lowering wrote it
  } runs[] = {{"Probe", {}, false},
              {"ProbeMixedCase", {"--virtual-host", "Mixed.Case"}, false},
              {"ProbeAsWritten", {"--virtual-host", "Mixed.Case"}, true}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.title);
    std::vector<std::string> options = {"--width", "800", "--height", "200"};
    options.insert(options.end(), run.options.begin(), run.options.end());
    fs::path packed = pack(app, run.title, options);
    if (run.as_written) {
      std::ifstream in(packed, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), {});
      size_t at = bytes.rfind("\"VirtualHost\": \"mixed.case\"");
      ASSERT_NE(at, std::string::npos);
      bytes.replace(at, 27, "\"VirtualHost\": \"Mixed.Case\"");
      write(packed, bytes);
    }
    pid_t program = start(packed);
    EXPECT_EQ(failed_checks(run.title), std::vector<std::string>{});
    ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), run.title)));
    EXPECT_EQ(ended(program), 0);
  }
}

}  // namespace
