// window.wapp on Linux, end to end with the real engine: the notes sample
// opens a file through the real file chooser, saves it under a new name,
// saves again through its handle, keeps the window's title on the file
// (read back from the X server) and sends its help link to the stand-in
// browser, all from keys a user presses, and ends on SIGTERM with a chooser
// open; a frame of another origin finds no window.wapp and whatever it
// posts is refused at once.
#include "linux_launcher_support.h"

namespace {

class LinuxPageApi : public linux_launcher_test {
 protected:
  // The first click gives the page the keyboard; X may lose one that comes
  // as the window maps, so Ctrl+O is pressed until the chooser comes.
  bool open_chooser(const screen_rect& rect) {
    for (int attempt = 0; attempt < 5; attempt++) {
      if (!x_input({"mousemove", std::to_string(rect.left + rect.width / 2),
                    std::to_string(rect.top + rect.height / 2), "click", "1", "sleep", "0.3", "key", "ctrl+o"}))
        return false;
      if (wait_for_x_window(screen.get(), "Open", 3000)) return true;
    }
    return false;
  }
};

const std::string dash = "\xE2\x80\x94";

TEST_F(LinuxPageApi, TheNotesSampleOpensSavesAsSavesAgainAndSendsItsHelpOut) {
  install_stand_in_browser();
  const fs::path home = dir / "home", notes = home / "notes.md", copy = home / "copy.md";
  write(notes, "# Notes\n");
  pid_t run = start(pack(fs::path(WAPP_EXAMPLES) / "notes", "Notes", {"--app-name", "Notes", "--app-version", "1.0"}));
  // The page set the title through the API as soon as it ran.
  Window window = wait_for_x_window(screen.get(), "Untitled " + dash + " Notes", 30000);
  ASSERT_TRUE(window);
  screen_rect rect;
  ASSERT_TRUE(x_window_rect(screen.get(), window, rect));
  const std::string id = std::to_string(window);
  ASSERT_TRUE(open_chooser(rect));
  // The chooser completes a typed path as it comes: Return waits for it.
  ASSERT_TRUE(answer_chooser("Open", {"key", "ctrl+l", "type", notes.string()}));
  ASSERT_TRUE(x_input({"sleep", "1", "key", "Return"}));
  ASSERT_TRUE(wait_for_x_window(screen.get(), "notes.md " + dash + " Notes", 15000));

  ASSERT_TRUE(x_input({"windowfocus", "--sync", id, "key", "ctrl+shift+s"}));
  ASSERT_TRUE(answer_chooser("notes.md", {"key", "ctrl+a", "type", copy.string()}));
  ASSERT_TRUE(x_input({"sleep", "1", "key", "Return"}));
  ASSERT_TRUE(wait_for_x_window(screen.get(), "copy.md " + dash + " Notes", 15000));
  EXPECT_EQ(read(copy), "# Notes\n");

  // An edit marks the title; Ctrl+S writes through the handle and clears it.
  ASSERT_TRUE(x_input({"windowfocus", "--sync", id, "key", "ctrl+End", "type", "more"}));
  ASSERT_TRUE(wait_for_x_window(screen.get(), "*copy.md " + dash + " Notes", 15000));
  ASSERT_TRUE(x_input({"windowfocus", "--sync", id, "key", "ctrl+s"}));
  ASSERT_TRUE(wait_for_x_window(screen.get(), "copy.md " + dash + " Notes", 15000));
  EXPECT_EQ(read(copy), "# Notes\nmore");
  EXPECT_EQ(read(notes), "# Notes\n");

  ASSERT_TRUE(x_input({"windowfocus", "--sync", id, "key", "F1"}));
  EXPECT_EQ(wait_for_opened(1), std::vector<std::string>{"https://www.markdownguide.org/basic-syntax/"});
  for (const std::string& name : folders_in(home)) EXPECT_EQ(name.find("wapp-saving"), std::string::npos) << name;
  // A chooser that is open does not keep the run from ending on a signal.
  ASSERT_TRUE(x_input({"windowfocus", "--sync", id, "key", "ctrl+o"}));
  ASSERT_TRUE(wait_for_x_window(screen.get(), "Open", 15000));
  kill(run, SIGTERM);
  EXPECT_EQ(ended(run, 10000), 0);
}

// A frame is hostile: it finds no API, and what it posts to the handler
// (no key, megabytes of keys, deep nesting, no text at all) is refused at
// once without freezing the program. The app's own page, meanwhile, sets a
// title that ends in half a character, and the call settles.
TEST_F(LinuxPageApi, AFrameOfAnotherOriginFindsNoApiAndIsRefusedAtOnce) {
  fs::path app = dir / "app";
  // Green when the page has the API, knows the app, its frame (an opaque
  // origin) finds none and has every message refused within five seconds,
  // and the page's own call with half a character is answered.
  write(app / "index.html", R"(<!doctype html><style>html,body{margin:0;height:100%;background:#00f}</style>
<script>
const own = typeof window.wapp === "object" && wapp.app.name === "Probe App" && wapp.app.version === "2.0" &&
  wapp.app.platform === "linux" && typeof wapp.window.setTitle === "function";
addEventListener("message", (event) => {
  if (!own || event.data !== "undefined,refused,fast") return void (document.body.style.background = "#f00");
  wapp.window.setTitle("Probe" + "\ud83d\ude00".slice(0, 1)).then(() => {
    document.body.style.background = "#0f0";
  }, () => { document.body.style.background = "#f00"; });
});
</script>
<iframe sandbox="allow-scripts" srcdoc="<script>
const handler = window.webkit && webkit.messageHandlers && webkit.messageHandlers.wapp;
const keys = {};
for (let i = 0; i < 200000; i++) keys['k' + i] = 0;
const messages = [JSON.stringify({wapp: '', id: 1, method: 'window.setTitle', args: {text: 'taken'}}),
  JSON.stringify(keys), '['.repeat(100000) + ']'.repeat(100000), keys, 'x'.repeat(90 * 1024 * 1024)];
for (let i = 0; i < 20; i++) messages.push(JSON.stringify({wapp: 'guess' + i, id: i, method: 'window.close'}));
const started = performance.now();
Promise.all(messages.map((m) => handler ? handler.postMessage(m).then(() => 'answered', () => 'refused') : 'refused'))
  .then((replies) => parent.postMessage(typeof window.wapp + ',' +
    (replies.every((r) => r === 'refused') ? 'refused' : 'answered') + ',' +
    (performance.now() - started < 5000 ? 'fast' : 'slow'), '*'));
</script>"></iframe>)");
  const std::string title = "Probe\xEF\xBF\xBD";
  // Served under the app's scheme, and unpacked to file://.
  for (std::vector<std::string> options : {std::vector<std::string>{"--virtual-host", "app.wapp"}, {"--file-url"}}) {
    for (const char* o : {"--app-name", "Probe App", "--app-version", "2.0"}) options.push_back(o);
    pid_t run = start(pack(app, "Probe", options));
    screen_rect rect;
    ASSERT_TRUE(shows(title, green, rect)) << options[0];
    Window window = find_x_window(screen.get(), title);
    ASSERT_TRUE(close_x_window(screen.get(), window));
    EXPECT_EQ(ended(run), 0);
  }
}

// The app's host in capitals is the app's host: its pages get the API there too.
TEST_F(LinuxPageApi, TheAppsHostInCapitalsHasTheApi) {
  fs::path app = dir / "app";
  write(app / "index.html", R"(<!doctype html><script>
if (location.hash !== "#again") location = "wapp://APP.WAPP/index.html#again";
else if (window.wapp) wapp.window.setTitle("Capitals");
</script>)");
  pid_t run = start(pack(app, "Host"));
  Window window = wait_for_x_window(screen.get(), "Capitals", 30000);
  ASSERT_TRUE(window);
  ASSERT_TRUE(close_x_window(screen.get(), window));
  EXPECT_EQ(ended(run), 0);
}

}  // namespace
