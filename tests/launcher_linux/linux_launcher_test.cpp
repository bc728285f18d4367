// The Linux launcher end to end: packed programs showing their real pages,
// served from the archive or from their folders, the folders while open and
// after, side by side, killed, closed every way, and never reaching through
// a link.
#include <sys/stat.h>

#include <X11/Xatom.h>

#include "linux_launcher_support.h"
#include "payload/trailer.h"
#include "png_icon.h"

namespace {

const std::string paint_green = "document.body.style.background = '#00ff00';";

class LinuxLauncher : public linux_launcher_test {};

TEST_F(LinuxLauncher, ShowsThePageFromItsFolderAndRemovesItAfterTheCloseButton) {
  fs::path app = make_app("app", paint_green + "localStorage.setItem('kept', 'yes');");
  write(app / "donn\xC3\xA9" "es" / "caf\xC3\xA9 \xE6\x97\xA5.txt", "\xC3\xA9t\xC3\xA9");
  // From file://, which programs packed with --file-url keep.
  fs::path program = pack(app, "Page", {"--width", "300", "--height", "200", "--file-url"});
  pid_t run = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Page", green, rect));
  // The inner size asked for, centred on the 1920 x 1080 screen.
  EXPECT_EQ(std::vector<int>({rect.left, rect.top, rect.width, rect.height}), std::vector<int>({810, 440, 300, 200}));
  fs::path folder = dir / "run" / "webapp";
  EXPECT_EQ(folders_in(folder), (std::vector<std::string>{"donn\xC3\xA9" "es", "index.html", "js", "webapp.lock"}));
  EXPECT_EQ(folders_in(folder / "donn\xC3\xA9" "es"), std::vector<std::string>{"caf\xC3\xA9 \xE6\x97\xA5.txt"});
  EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
  // Links into the user's files, which the removal must take for links.
  write(dir / "outside" / "keep.txt", "mine");
  fs::create_directory_symlink(dir / "outside", folder / "outside-folder");
  fs::create_symlink(dir / "outside" / "keep.txt", folder / "js" / "keep.txt");
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Page")));
  EXPECT_EQ(ended(run), 0);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(folders_in(dir / "outside"), std::vector<std::string>{"keep.txt"});
  // The page's data is kept under the app's id, made from its title.
  EXPECT_TRUE(fs::is_directory(dir / "data" / "page" / "localstorage"));
}

// _NET_WM_ICON's images as width, height, then ARGB pixels: each image's
// size and first pixel.
std::map<int, uint32_t> window_icons(Display* display, Window window) {
  std::map<int, uint32_t> icons;
  Atom type;
  int format;
  unsigned long count = 0, after;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 24, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) != Success || !data)
    return icons;
  auto* longs = (unsigned long*)data;  // 32-bit items come as longs
  for (unsigned long at = 0; at + 2 < count && longs[at] * longs[at + 1] <= count - at - 2;
       at += 2 + longs[at] * longs[at + 1])
    icons[(int)longs[at]] = (uint32_t)longs[at + 2];
  XFree(data);
  return icons;
}

// The packed icon on the window, in the sizes panels ask for; the title as
// the page sets it, and the packed one again when the page has none.
TEST_F(LinuxLauncher, TheWindowHasTheAppsIconAndThePagesTitle) {
  fs::path app = make_app("app", "document.title = 'Draft \\u2014 Notes';"
                                 "setTimeout(() => { document.title = ''; " + paint_green + " }, 1000);");
  const int size = 300;
  rgba_pixels pixels{size, {}};
  for (int i = 0; i < size * size; i++) pixels.bytes.insert(pixels.bytes.end(), {0xCC, 0x22, 0x00, 0xFF});
  write(dir / "icon.png", png_of(pixels));
  fs::path program = pack(app, "Notes", {"--icon", (dir / "icon.png").string(), "--page-title"});
  std::ostringstream out, err;
  run_wapp_pack({"--inspect", program.string()}, {fs::path(WAPP_LINUX_LAUNCHER).parent_path(), out, err, false});
  EXPECT_NE(out.str().find("\n  AppIcon             a PNG of 256x256 ("), std::string::npos) << out.str();
  pid_t run = start(program);
  ASSERT_TRUE(wait_for_x_window(screen.get(), "Draft \u2014 Notes", 30000));
  screen_rect rect;
  ASSERT_TRUE(shows("Notes", green, rect));
  std::map<int, uint32_t> icons = window_icons(screen.get(), find_x_window(screen.get(), "Notes"));
  EXPECT_EQ(icons, (std::map<int, uint32_t>{{16, 0xFFCC2200}, {32, 0xFFCC2200}, {48, 0xFFCC2200},
                                             {64, 0xFFCC2200}, {128, 0xFFCC2200}, {256, 0xFFCC2200}}));
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Notes")));
  EXPECT_EQ(ended(run), 0);
}

// An entry's bytes as the page sums them: larger than the launcher checks
// whole before it answers, so that it is streamed.
std::string streamed_bytes(uint32_t& sum) {
  std::string bytes((9u << 20) + 123, '\0');
  sum = 0;
  for (size_t i = 0; i < bytes.size(); i++) sum += (uint8_t)(bytes[i] = (char)(i * 7 % 251));
  return bytes;
}

// Sets the central directory's checksum of the named entry wrong.
void damage_entry(const fs::path& program, const std::string& name) {
  std::ifstream in(program, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  in.close();
  size_t record = bytes.rfind(name) - 46;
  ASSERT_EQ(bytes.compare(record, 4, "PK\1\2"), 0);
  bytes[record + 16] ^= 0x5A;
  std::ofstream(program, std::ios::binary | std::ios::trunc) << bytes;
}

TEST_F(LinuxLauncher, AVirtualHostAppIsServedFromTheArchiveWithNoFolderAndThePageClosesItsWindow) {
  uint32_t sum;
  std::string big = streamed_bytes(sum);
  fs::path app = make_app("app", R"(
    import { paint } from "./paint.js";
    const status = async (name) => (await fetch(name)).status;
    const loads = async (name) => { try { await (await fetch(name)).arrayBuffer(); return true; } catch { return false; } };
    const sum = async (name) => new Uint8Array(await (await fetch(name)).arrayBuffer()).reduce((a, b) => (a + b) >>> 0, 0);
    const worker = new Worker("js/worker.js", { type: "module" });
    const doubled = await new Promise((done) => { worker.onmessage = (e) => done(e.data); worker.postMessage(21); });
    const data = await (await fetch("data/colour.json")).json();
    const checks = [doubled === 42, (await status("missing.txt")) === 404, (await status("data/damaged.json")) === 404,
                    (await sum("media/big.bin")) === data.sum, !(await loads("media/damaged.bin")),
                    (await status("js/../js/paint.js")) === 200];
    // Blue with the failed checks' bits in it, else green.
    const failed = checks.reduce((bits, passed, i) => bits | (passed ? 0 : 1 << i), 0);
    paint(failed ? `rgb(0, 0, ${128 + failed})` : data.colour);
    // Closed once the test has seen the verdict.
    if (!failed) setTimeout(() => window.close(), 2000);)", true);
  write(app / "js" / "paint.js", "export const paint = (colour) => { document.body.style.background = colour; };");
  write(app / "js" / "worker.js", "import { twice } from './twice.js'; onmessage = (e) => postMessage(twice(e.data));");
  write(app / "js" / "twice.js", "export const twice = (n) => 2 * n;");
  write(app / "data" / "colour.json", R"({"colour": "#00ff00", "sum": )" + std::to_string(sum) + "}");
  write(app / "data" / "damaged.json", R"({"colour": "#ff00ff"})");
  write(app / "media" / "big.bin", big);
  write(app / "media" / "damaged.bin", big);
  fs::path program = pack(app, "Served");  // under the default host
  damage_entry(program, "data/damaged.json");
  damage_entry(program, "media/damaged.bin");
  pid_t run = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Served", green, rect)) << "failed checks (bits): "
                                            << (screen_pixel(screen.get(), rect.left + rect.width / 2,
                                                             rect.top + rect.height / 2) & 0x7F);
  EXPECT_TRUE(fs::is_empty(dir / "run")) << "nothing is unpacked";
  EXPECT_EQ(ended(run), 0);  // closed by the page, once every check has passed
}

TEST_F(LinuxLauncher, RunsSideBySideAndTheNextStartRemovesOnlyWhatAKilledRunLeft) {
  fs::path app = make_app("app", paint_green);
  fs::path one = pack(app, "One", {"--file-url"}), two = pack(app, "Two", {"--file-url"}), run_dir = dir / "run";
  // Not ours: a folder without the marker, and a link to a marked one.
  write(run_dir / "webapp-3" / "mine.txt", "mine");
  write(dir / "outside" / "webapp.lock", "");
  fs::create_directory_symlink(dir / "outside", run_dir / "webapp-4");
  // One after the other, so that the first has the first name.
  pid_t first = start(one);
  screen_rect rect;
  ASSERT_TRUE(shows("One", green, rect));
  pid_t second = start(two);
  ASSERT_TRUE(shows("Two", green, rect));
  ASSERT_TRUE(shows("One", green, rect));
  EXPECT_EQ(folders_in(run_dir), (std::vector<std::string>{"webapp", "webapp-2", "webapp-3", "webapp-4"}));
  kill(first, SIGKILL);
  EXPECT_EQ(ended(first), -1);
  write(run_dir / "webapp" / "left-behind.txt", "");
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Two")));
  EXPECT_EQ(ended(second), 0);
  EXPECT_EQ(folders_in(run_dir), (std::vector<std::string>{"webapp", "webapp-3", "webapp-4"}));

  // The next start removes the killed run's folder and takes its name.
  pid_t third = start(one);
  ASSERT_TRUE(shows("One", green, rect));
  EXPECT_FALSE(fs::exists(run_dir / "webapp" / "left-behind.txt"));
  EXPECT_EQ(folders_in(run_dir), (std::vector<std::string>{"webapp", "webapp-3", "webapp-4"}));
  EXPECT_EQ(folders_in(run_dir / "webapp-3"), std::vector<std::string>{"mine.txt"});
  EXPECT_EQ(folders_in(dir / "outside"), std::vector<std::string>{"webapp.lock"});
  // Asked to end, and the display gone: both end the run as the close button does.
  kill(third, SIGTERM);
  EXPECT_EQ(ended(third), 0);
  pid_t fourth = start(two);
  ASSERT_TRUE(shows("Two", green, rect));
  screen.end();
  EXPECT_EQ(ended(fourth), 0);
  EXPECT_EQ(folders_in(run_dir), (std::vector<std::string>{"webapp-3", "webapp-4"}));
}

TEST_F(LinuxLauncher, SettingsThatDoNotParseShowNothingAndWithoutAnArchiveTheStartAddressShows) {
  std::ifstream launcher(WAPP_LINUX_LAUNCHER, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(launcher)), {});
  fs::path broken = dir / "broken";
  write(broken, bytes + trailer_bytes("{\"WindowTitle\": ", "PK\5\6" + std::string(18, '\0')));
  fs::permissions(broken, fs::perms::owner_all);
  EXPECT_EQ(ended(start(broken)), 0);

  fs::path site = dir / "site";
  write(site / "readme.txt", "no index.html");
  pid_t run = start(pack(site, "Start", {"--start-url", "data:text/html,<body style='background:%2300ff00'>"}));
  screen_rect rect;
  ASSERT_TRUE(shows("Start", green, rect));
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Start")));
  EXPECT_EQ(ended(run), 0);
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

}  // namespace
