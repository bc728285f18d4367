// The Linux launcher keeps its window on the app, end to end with the real
// engine: windows and links out reach a stand-in default browser (the
// desktop's handler for their scheme, in the test's own data folder), what
// may not leave reaches nothing, frames go their own way, and the page stays;
// downloads are saved through the real file chooser, answered as a user
// would, and a cancelled one writes nothing.
#include <set>

#include "linux_launcher_support.h"

namespace {

class LinuxLeavingApp : public linux_launcher_test {
 protected:
  // A click on the page at (x, y) of its window, given again until the
  // page shows it heard one (its corner turns `heard`, or the chooser of
  // that title opens over it): X may hand a click that comes as a chooser
  // goes to neither window.
  bool click_until_heard(const screen_rect& rect, int x, int y, uint32_t heard, const std::string& chooser = "") {
    for (int attempt = 0; attempt < 5; attempt++) {
      if (!x_input({"mousemove", "0", "0", "mousemove", std::to_string(rect.left + x), std::to_string(rect.top + y),
                    "sleep", "0.2", "click", "1"}))
        return false;
      for (int waited = 0; waited < 2000; waited += 50) {
        if (screen_pixel(screen.get(), rect.left + 2, rect.top + 2) == heard) return true;
        if (!chooser.empty() && find_x_window(screen.get(), chooser)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    return false;
  }

  // Every file under the test's folder (the program's data and the
  // desktop's list of recent files among them), by name.
  std::set<std::string> file_names() {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied))
      if (entry.is_regular_file()) names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(LinuxLeavingApp, WindowsAndLinksOutReachTheUsersBrowserAndThePageStays) {
  install_stand_in_browser();
  fs::path app = dir / "app";
  // Green once the page has tried every way out it has, while it was shown;
// a frame of another origin opens six windows without a click, none of
// which leaves.
  write(app / "index.html", R"(<!doctype html>
<style>html,body{margin:0;height:100%;background:#f00}a{display:block;height:100%}iframe{position:fixed;width:1px}
#heard{position:fixed;left:0;top:0;width:8px;height:8px}</style>
<iframe src="data:text/html,<script>location='https://example.test/in-frame'</script>"></iframe>
<iframe sandbox="allow-scripts allow-popups" srcdoc="<script>for (let i = 0; i < 5; i++) window.open('https://example.test/frame' + i);
window.open('mailto:victim@x.test?attach=/etc/passwd')</script>"></iframe>
<a href="https://example.test/clicked" onclick="heard.style.background = '#00f'">out</a><div id=heard></div>
<script>
window.open("https://example.test/x");
window.open("file:///etc/hostname");
window.open("wappcustom:window");
window.open("index.html");
const steps = [() => { location = "file:///etc/hostname"; }, () => { location = "wappcustom:run"; },
               () => { location = "mailto:someone@example.test"; },
               () => { document.body.style.background = "#0f0"; }];
steps.forEach((step, i) => setTimeout(step, 300 * (i + 1)));
</script>)");
  pid_t run = start(pack(app, "Links", {"--width", "400", "--height", "300"}));
  screen_rect rect;
  ASSERT_TRUE(shows("Links", green, rect));
  EXPECT_EQ(wait_for_opened(2), (std::vector<std::string>{"https://example.test/x", "mailto:someone@example.test"}));
  // The link fills the page: a click anywhere follows it.
  ASSERT_TRUE(click_until_heard(rect, rect.width / 2, rect.height / 2, blue));
  EXPECT_EQ(wait_for_opened(3).back(), "https://example.test/clicked");
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // for an address that should not have gone out
  EXPECT_EQ(opened().size(), 3u);
  EXPECT_TRUE(shows("Links", green, rect, 2000)) << "the page was replaced";
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Links")));
  EXPECT_EQ(ended(run), 0);
}

TEST_F(LinuxLeavingApp, DownloadsAreSavedWhereTheUserSaysAndACancelledOneWritesNothing) {
  fs::path downloads = dir / "home" / "Downloads", chosen = dir / "chosen";
  fs::create_directories(downloads);
  fs::create_directories(chosen);
  write(dir / "home" / ".config" / "user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
  std::string every_byte, table = std::string("\x00\x01 table\r\n\xFF", 11);
  for (int i = 0; i < 256; i++) every_byte += (char)i;
  fs::path app = dir / "app";
  write(app / "table.bin", table);
  // At each click: a blob; a document the engine cannot show, which is a
  // download too; a data: address; then the page's own data the window is
  // sent to, or linked with no name: a blob, a blob with an empty name and
  // a data: address without the download attribute.
  write(app / "index.html", R"(<!doctype html><style>html,body{margin:0;height:100%;background:#0f0}
#heard{position:fixed;left:0;top:0;width:8px;height:8px}</style><div id=heard></div>
<script>
const save = (name, href) => {
  const a = document.createElement("a");
  a.download = name;
  a.href = href;
  document.body.append(a);
  a.click();
};
let clicks = 0;
document.addEventListener("click", (event) => {
  if (!event.isTrusted) return;  // the link's own click
  heard.style.background = ["#f00", "#00f", "#fff", "#ff0", "#0ff", "#f0f"][clicks];
  const bytes = (n) => new Blob([new Uint8Array([n, n, n])], {type: "application/octet-stream"});
  if (++clicks === 1) save("report.bin", URL.createObjectURL(new Blob([new Uint8Array(256).map((_, i) => i)])));
  else if (clicks === 2) location = "table.bin";
  else if (clicks === 3) save("unwanted.txt", "data:text/plain,not%20wanted");
  else if (clicks === 4) location.href = URL.createObjectURL(bytes(4));
  else if (clicks === 5) save("", URL.createObjectURL(bytes(5)));
  else { const a = document.createElement("a"); a.href = "data:application/octet-stream;base64,BgYG"; document.body.append(a); a.click(); }
});
</script>)");
  pid_t run = start(pack(app, "Downloads"));
  screen_rect rect;
  ASSERT_TRUE(shows("Downloads", green, rect));
  // The suggested name in the Downloads folder, as the chooser offers them.
  ASSERT_TRUE(click_until_heard(rect, 20, 20, red, "report.bin"));
  ASSERT_TRUE(answer_chooser("report.bin", {"key", "Return"}));
  EXPECT_EQ(wait_for_file(downloads / "report.bin", every_byte.size()), every_byte);
  // A folder and name of the user's own.
  ASSERT_TRUE(click_until_heard(rect, 20, 20, blue, "table.bin"));
  // The chooser completes a typed path as it comes: Return waits for it
  // (and comes apart, as "type" takes every word after it).
  ASSERT_TRUE(answer_chooser("table.bin", {"key", "ctrl+a", "type", (chosen / "kept.bin").string()}));
  ASSERT_TRUE(x_input({"sleep", "1", "key", "Return"}));
  EXPECT_EQ(wait_for_file(chosen / "kept.bin", table.size()), table);
  // Cancelled: nothing anywhere.
  ASSERT_TRUE(click_until_heard(rect, 20, 20, 0xFFFFFF, "unwanted.txt"));
  ASSERT_TRUE(answer_chooser("unwanted.txt", {"key", "Escape"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(find_x_window(screen.get(), "unwanted.txt")) << "the chooser stayed";
  // The page's own data, nameless, each saved where the user says.
  const struct {
    uint32_t heard;
    const char* kept;
    char byte;
  } nameless[] = {{0xFFFF00, "sent.bin", 4}, {0x00FFFF, "unnamed.bin", 5}, {0xFF00FF, "data.bin", 6}};
  for (const auto& n : nameless) {
    SCOPED_TRACE(n.kept);
    ASSERT_TRUE(click_until_heard(rect, 20, 20, n.heard, "download"));
    ASSERT_TRUE(answer_chooser("download", {"key", "ctrl+a", "type", (chosen / n.kept).string()}));
    ASSERT_TRUE(x_input({"sleep", "1", "key", "Return"}));
    EXPECT_EQ(wait_for_file(chosen / n.kept, 3), std::string(3, n.byte));
  }
  EXPECT_EQ(folders_in(downloads), std::vector<std::string>{"report.bin"});
  EXPECT_EQ(folders_in(chosen), (std::vector<std::string>{"data.bin", "kept.bin", "sent.bin", "unnamed.bin"}));
  for (const std::string& name : file_names()) EXPECT_EQ(name.find("unwanted"), std::string::npos) << name;
  EXPECT_TRUE(shows("Downloads", green, rect, 2000)) << "a download replaced the page";
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Downloads")));
  EXPECT_EQ(ended(run), 0);
}

}  // namespace
