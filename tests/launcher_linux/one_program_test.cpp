// The Linux launcher as one program, end to end: a second start of a
// single-instance program brings the running window to the front and ends,
// and a window that remembers its place opens where the last run left it.
#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "linux_launcher_support.h"

namespace {

class LinuxOneProgram : public linux_launcher_test {
 protected:
  bool is_running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

  // The program's window, once its page shows; its inner area to rect.
  Window window_of(const std::string& title, screen_rect& rect) {
    return shows(title, green, rect) ? find_x_window(screen.get(), title) : 0;
  }

  // Runs the program, hands its window to the test, then closes it.
  template <class with_window>
  void run_to_close(const fs::path& program, const std::string& title, with_window&& act) {
    pid_t run = start(program);
    screen_rect rect;
    Window window = window_of(title, rect);
    ASSERT_TRUE(window);
    act(window, rect);
    ASSERT_TRUE(close_x_window(screen.get(), window));
    EXPECT_EQ(ended(run), 0);
  }

  std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
};

std::vector<int> numbers(const screen_rect& r) { return {r.left, r.top, r.width, r.height}; }

TEST_F(LinuxOneProgram, ASecondStartBringsTheRunningWindowToTheFrontAndEnds) {
  fs::path app = make_app("app", "document.body.style.background = '#00ff00';");
  fs::path single = pack(app, "Single", {"--single-instance"}), other = pack(app, "Other", {"--single-instance"});
  const fs::path run_dir = dir / "run";
  pid_t first = start(single);
  screen_rect rect;
  Window window = window_of("Single", rect);
  ASSERT_TRUE(window);
  // Another single-instance program runs beside it, in front.
  pid_t beside = start(other);
  Window other_window = window_of("Other", rect);
  ASSERT_TRUE(other_window);
  ASSERT_EQ(front_x_window(screen.get()), other_window);
  const std::vector<std::string> names = folders_in(run_dir);
  ASSERT_EQ(names.size(), 2u) << "a folder for each program's instance; none for the apps, served from their archives";
  for (const std::string& name : {names[0], names[1]}) {
    EXPECT_TRUE(name.starts_with("wapp-instance-0-")) << name;
    EXPECT_EQ(fs::status(run_dir / name).permissions(), fs::perms::owner_all);
    EXPECT_EQ(folders_in(run_dir / name), (std::vector<std::string>{"lock", "socket"}));
  }
  const fs::path instance = run_dir / names[0];

  // Not a request from another user: the program's folder lets no one else
  // in, though the base folder would.
  fs::permissions(run_dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  pid_t stranger = fork();
  if (stranger == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    // From the base folder: the whole path is longer than an address holds.
    if (chdir(run_dir.c_str()) != 0) _exit(4);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::string path = (instance.filename() / "socket").string();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int asking = socket(AF_UNIX, SOCK_STREAM, 0);
    _exit(connect(asking, (sockaddr*)&address, sizeof address) == 0 ? 1 : errno == EACCES ? 0 : 3);
  }
  EXPECT_EQ(wait_for_exit(stranger), 0) << "another user reached the program's socket";
  fs::permissions(run_dir, fs::perms::owner_all);

  // A later start ends at once with exit code 0, unpacked nothing, and the
  // running window is in front; the other program runs on.
  EXPECT_EQ(ended(start(single)), 0);
  EXPECT_EQ(front_x_window(screen.get()), window);
  EXPECT_EQ(folders_in(run_dir), names);
  EXPECT_TRUE(is_running(first));
  EXPECT_TRUE(is_running(beside));
  EXPECT_EQ(find_x_window(screen.get(), "Other"), other_window);

  // A first copy that was killed blocks nothing: the next start runs, and
  // answers the one after it.
  kill(first, SIGKILL);
  EXPECT_EQ(ended(first), -1);
  pid_t next = start(single);
  ASSERT_TRUE(window_of("Single", rect));
  EXPECT_EQ(ended(start(other)), 0);
  EXPECT_EQ(front_x_window(screen.get()), other_window);
  for (pid_t run : {next, beside}) {
    kill(run, SIGTERM);
    EXPECT_EQ(ended(run), 0);
  }
  EXPECT_EQ(folders_in(run_dir), (std::vector<std::string>{names[0], names[1]}));
}

// The app's data goes by its id: renamed, the program finds its stored data
// and its window's place. The page counts its loads in its colour.
TEST_F(LinuxOneProgram, ARenamedProgramKeepsTheAppsDataAndPlace) {
  fs::path app = make_app("app", "const n = Number(localStorage.getItem('loads') || 0) + 1;"
                                 "localStorage.setItem('loads', n); document.body.style.background = `rgb(0, 255, ${n})`;");
  fs::path program = pack(app, "Counter", {"--remember-window", "--resizable", "--app-id", "counter"});
  pid_t run = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Counter", 0x00FF01, rect));
  Window window = find_x_window(screen.get(), "Counter");
  ASSERT_TRUE(place_x_window(screen.get(), window, 100, 120, 500, 400));
  ASSERT_TRUE(close_x_window(screen.get(), window));
  EXPECT_EQ(ended(run), 0);
  fs::path renamed = dir / "Counter-1.0.1";
  fs::rename(program, renamed);
  run = start(renamed);
  ASSERT_TRUE(shows("Counter", 0x00FF02, rect));
  EXPECT_EQ(numbers(rect), (std::vector<int>{100, 120, 500, 400}));
  ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), "Counter")));
  EXPECT_EQ(ended(run), 0);
  EXPECT_EQ(folders_in(dir / "data"), std::vector<std::string>{"counter"});
}

TEST_F(LinuxOneProgram, TheWindowOpensWhereItWasLeft) {
  fs::path app = make_app("app", "document.body.style.background = '#00ff00';");
  const std::vector<std::string> size = {"--remember-window", "--width", "300", "--height", "200"};
  auto with = [&](std::vector<std::string> options) {
    return options.insert(options.end(), size.begin(), size.end()), options;
  };
  fs::path sized = pack(app, "Remember", with({"--resizable"})), bare = pack(app, "Bare", with({"--frameless"})),
           full = pack(app, "Full", with({"--fullscreen"}));
  const fs::path stored = dir / "data" / "remember" / "window.json";  // by the app's id
  const std::vector<int> centred = {810, 440, 300, 200};

  // Moved and sized, closed: opened there, and what was stored says so.
  run_to_close(sized, "Remember", [&](Window window, const screen_rect& rect) {
    EXPECT_EQ(numbers(rect), centred);
    ASSERT_TRUE(place_x_window(screen.get(), window, 100, 120, 500, 400));
  });
  EXPECT_EQ(read(stored), "{\"x\": 100, \"y\": 120, \"width\": 500, \"height\": 400, \"maximized\": false}\n");
  run_to_close(sized, "Remember", [&](Window, const screen_rect& rect) {
    EXPECT_EQ(numbers(rect), (std::vector<int>{100, 120, 500, 400}));
  });
  // A place off every screen, or a file that is not one, is dropped for the centre.
  for (const char* text : {"{\"x\": 100, \"y\": 1200, \"width\": 500, \"height\": 400, \"maximized\": false}",
                           "{\"x\": 100, \"y\": 120, \"width\": 500, \"height\": 4"}) {
    SCOPED_TRACE(text);
    write(stored, text);
    run_to_close(sized, "Remember", [&](Window, const screen_rect& rect) { EXPECT_EQ(numbers(rect), centred); });
  }
  // A huge place (setSize(32767, 32767) once) fits the screen again.
  write(stored, "{\"x\": 100, \"y\": 120, \"width\": 900000, \"height\": 32767, \"maximized\": false}");
  run_to_close(sized, "Remember", [&](Window, const screen_rect& rect) {
    EXPECT_EQ(numbers(rect), (std::vector<int>{0, 0, 1920, 1080}));
  });
  // What another program of the user's plants at the file's name never
  // blocks a start, and is replaced, never written through, at the close.
  const std::string outside_text = "{\"x\": 1, \"y\": 2, \"width\": 300, \"height\": 200, \"maximized\": false}\n";
  const struct {
    const char* planted;
    std::function<void()> plant;
    std::vector<int> opened;
  } plantings[] = {
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(stored.c_str(), 0600), 0); }, centred},
      {"a link out", [&] { fs::create_symlink(dir / "outside.json", stored); }, centred},
      {"a hard link", [&] { fs::create_hard_link(dir / "outside.json", stored); }, {1, 2, 300, 200}},
  };
  for (const auto& p : plantings) {
    SCOPED_TRACE(p.planted);
    fs::remove(stored);
    write(dir / "outside.json", outside_text);
    p.plant();
    run_to_close(sized, "Remember", [&](Window, const screen_rect& rect) { EXPECT_EQ(numbers(rect), p.opened); });
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(stored)));
    EXPECT_EQ(read(dir / "outside.json"), outside_text);
  }

  // A frameless window keeps its size, and comes back where it was moved to.
  run_to_close(bare, "Bare", [&](Window window, const screen_rect&) {
    ASSERT_TRUE(place_x_window(screen.get(), window, 30, 40, 600, 600));
  });
  run_to_close(bare, "Bare", [&](Window, const screen_rect& rect) {
    EXPECT_EQ(numbers(rect), (std::vector<int>{30, 40, 300, 200}));
  });
  // A full-screen window fills the screen it was left on.
  for (int turn = 0; turn < 2; turn++) {
    run_to_close(full, "Full", [&](Window, const screen_rect& rect) {
      EXPECT_EQ(numbers(rect), (std::vector<int>{0, 0, 1920, 1080}));
    });
    EXPECT_TRUE(fs::exists(dir / "data" / "full" / "window.json"));
  }
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

}  // namespace
