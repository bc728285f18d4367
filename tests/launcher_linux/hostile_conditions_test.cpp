// The Linux launcher where another process of the user, another user or the
// archive itself works against it: a FIFO where it unpacks, signals
// while it unpacks, base folders it must not use or cannot use, a tree too
// deep for one descriptor per level, no display, an archive of links,
// devices and warnings, and a removal that fails half-way.
#include <archive.h>
#include <archive_entry.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include "launcher-linux/base_folder.h"
#include "launcher-linux/single_instance.h"
#include "linux_launcher_support.h"
#include "payload/trailer.h"

namespace {

const std::string paint_green = "document.body.style.background = '#00ff00';";

struct hand_entry {
  std::string name;
  mode_t type;       // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFCHR, AE_IFBLK, AE_IFSOCK
  std::string data;  // a link's target
};

// A zip archive as no packer would make it. The zip writer knows no devices
// or sockets: those are written as files and their type put in the central
// directory's Unix mode, where readers take it from.
std::string hand_made_zip(const std::vector<hand_entry>& entries) {
  std::string zip(64 << 10, '\0');
  size_t used = 0;
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_set_options(writer, "hdrcharset=UTF-8");  // names flagged as UTF-8
  archive_write_open_memory(writer, zip.data(), zip.size(), &used);
  for (const hand_entry& e : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname_utf8(entry, e.name.c_str());
    bool linked = e.type == AE_IFLNK, file = !linked && e.type != AE_IFDIR;
    archive_entry_set_filetype(entry, file ? AE_IFREG : e.type);
    archive_entry_set_perm(entry, 0644);
    if (linked) archive_entry_set_symlink(entry, e.data.c_str());
    if (file) archive_entry_set_size(entry, (la_int64_t)e.data.size());
    EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << e.name;
    if (file) archive_write_data(writer, e.data.data(), e.data.size());
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  zip.resize(used);
  for (const hand_entry& e : entries) {
    if (e.type == AE_IFREG || e.type == AE_IFDIR || e.type == AE_IFLNK) continue;
    uint32_t mode = (uint32_t)(e.type | 0644) << 16;
    zip.replace(zip.rfind(e.name) - 46 + 38, 4, (const char*)&mode, 4);
  }
  return zip;
}

class LinuxLauncherHostile : public linux_launcher_test {
 protected:
  // The Linux launcher with the archive and a title; nothing else set.
  fs::path program_with(const std::string& zip, const std::string& title) {
    std::ifstream launcher(WAPP_LINUX_LAUNCHER, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(launcher)), {});
    fs::path program = dir / title;
    write(program, bytes + trailer_bytes("{\"WindowTitle\": \"" + title + "\"}", zip));
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }

  // A file:// app whose first entry (by name, as the packer orders them)
  // takes a while to unpack: zeros, read from a sparse file.
  fs::path pack_large_app(const std::string& title, uintmax_t size = 256 << 20) {
    fs::path app = make_app("app", paint_green);
    std::ofstream(app / "a-large.bin").close();
    fs::resize_file(app / "a-large.bin", size);
    return pack(app, title, {"--level", "1", "--file-url"});
  }

  // Waits until the file has at least this many bytes.
  static bool grows_to(const fs::path& file, uintmax_t bytes) {
    std::error_code error;
    for (int waited = 0; waited < 30000; waited++) {
      if (fs::exists(file, error) && fs::file_size(file, error) >= bytes) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  void close_window(const std::string& title) {
    ASSERT_TRUE(close_x_window(screen.get(), find_x_window(screen.get(), title)));
  }
};

TEST_F(LinuxLauncherHostile, AFifoPlantedAheadOfTheUnpackingIsReplacedAndTheRunEndsOnSigterm) {
  pid_t run = start(pack_large_app("Planted"));
  fs::path folder = dir / "run" / "webapp";
  ASSERT_TRUE(grows_to(folder / "a-large.bin", 0));
  // The entry after the large one, while the large one is unpacked.
  ASSERT_EQ(mkfifo((folder / "index.html").c_str(), 0600), 0);
  screen_rect rect;
  EXPECT_TRUE(shows("Planted", green, rect));
  EXPECT_TRUE(fs::is_regular_file(folder / "index.html"));
  kill(run, SIGTERM);
  EXPECT_EQ(ended(run), 0);
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

TEST_F(LinuxLauncherHostile, EachEndingSignalMidUnpackingLeavesNoFolder) {
  fs::path program = pack_large_app("Large");
  for (int ending : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(ending));
    pid_t run = start(program);
    ASSERT_TRUE(grows_to(dir / "run" / "webapp" / "a-large.bin", 8 << 20));
    kill(run, ending);
    EXPECT_EQ(ended(run), 0);
    EXPECT_TRUE(fs::is_empty(dir / "run"));
  }
}

// The window comes at once and answers while the app is unpacked, and its
// close button ends the run then as at any other moment.
TEST_F(LinuxLauncherHostile, ALargeAppsWindowShowsWhileItUnpacksAndItsCloseButtonStopsTheUnpacking) {
  constexpr uintmax_t size = 1u << 30;
  pid_t run = start(pack_large_app("Early", size));
  fs::path large = dir / "run" / "webapp" / "a-large.bin";
  ASSERT_TRUE(wait_for_x_window(screen.get(), "Early", 30000));
  // A file not made yet counts as smaller (file_size then gives its error value).
  std::error_code error;
  uintmax_t written = fs::file_size(large, error);
  EXPECT_LT(error ? 0 : written, size) << "the window came before the unpacking ended";
  close_window("Early");
  EXPECT_EQ(ended(run, 10000), 0);
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

TEST_F(LinuxLauncherHostile, EveryNameHeldByAnotherUserInTheSharedFolderIsSaidAndEndsWithExitCode1) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give folders to another user";
  fs::path shared = dir / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  std::vector<std::string> names = {"webapp"};
  for (int i = 2; i <= 32; i++) names.push_back("webapp-" + std::to_string(i));
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    fs::create_directory(shared / name);
    ASSERT_EQ(chown((shared / name).c_str(), 54321, 54321), 0);
  }
  pid_t run = start(pack(make_app("app", paint_green), "Crowded", {"--file-url"}),
                    {"XDG_RUNTIME_DIR", "TMPDIR=" + shared.string()});
  EXPECT_EQ(ended(run, 15000), 1);
  EXPECT_NE(error_output(run).find("Crowded: no folder to unpack the app into: every name from webapp to webapp-32 in " +
                                   fs::canonical(shared).string() + " is taken\n"),
            std::string::npos)
      << error_output(run);
  EXPECT_EQ(folders_in(shared), names);
  EXPECT_FALSE(find_x_window(screen.get(), "Crowded"));
}

TEST_F(LinuxLauncherHostile, ABaseFolderOthersMayRenameInIsPassedOverForTheNext) {
  fs::path open = dir / "open", private_temp = dir / "tmp";
  fs::create_directories(open);
  fs::create_directories(private_temp);
  fs::permissions(open, fs::perms::all);
  fs::permissions(private_temp, fs::perms::owner_all);
  pid_t run = start(pack(make_app("app", paint_green), "Guarded", {"--file-url"}),
                    {"XDG_RUNTIME_DIR=" + open.string(), "TMPDIR=" + private_temp.string()});
  screen_rect rect;
  ASSERT_TRUE(shows("Guarded", green, rect));
  EXPECT_TRUE(fs::is_empty(open));
  EXPECT_TRUE(fs::exists(private_temp / "webapp" / "index.html"));
  close_window("Guarded");
  EXPECT_EQ(ended(run), 0);
  EXPECT_TRUE(fs::is_empty(private_temp));
}

TEST_F(LinuxLauncherHostile, TrustedBaseFoldersAreTheUsersOwnOrStickyAllTheWayUp) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  fs::path own = dir / "own", open = dir / "open", sticky = dir / "sticky", foreign = dir / "foreign";
  for (const fs::path& folder : {own, open, sticky, foreign, open / "inner", sticky / "inner", own / "group"})
    fs::create_directories(folder);
  fs::permissions(own, fs::perms::owner_all);
  fs::permissions(open, fs::perms::all);
  fs::permissions(sticky, fs::perms::all | fs::perms::sticky_bit);
  fs::permissions(own / "group", fs::perms::owner_all | fs::perms::group_all);
  ASSERT_EQ(chown(foreign.c_str(), 54321, 54321), 0);
  fs::create_directory_symlink(own, dir / "link");
  write(dir / "file", "");
  const struct {
    fs::path folder;
    std::string trusted;  // the real path, or empty
  } cases[] = {
      {own, own.string()},
      {dir / "link", own.string()},
      {open, ""},
      {open / "inner", ""},  // a folder above is writable by others
      {sticky, sticky.string()},
      {sticky / "inner", (sticky / "inner").string()},
      {own / "group", ""},
      {foreign, ""},
      {dir / "file", ""},
      {dir / "missing", ""},
      {"relative", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(trusted_base_folder(c.folder.c_str()), c.trusted) << c.folder;
  EXPECT_EQ(trusted_base_folder(nullptr), "");
}

TEST_F(LinuxLauncherHostile, ATwoThousandLevelAppGoesUnderA256DescriptorLimit) {
  std::string deep;
  for (int i = 0; i < 2000; i++) deep += "d/";
  std::string page = "<!doctype html><body style='margin:0;height:100vh;background:#00ff00'>";
  pid_t run = start(program_with(hand_made_zip({{"index.html", AE_IFREG, page}, {deep + "bottom.txt", AE_IFREG, "x"}}),
                                 "Deep"),
                    {}, {"prlimit", "--nofile=256", "--"});
  screen_rect rect;
  ASSERT_TRUE(shows("Deep", green, rect));
  // Level by level: the path is longer than the system's paths may be.
  int levels = 0, level = open((dir / "run" / "webapp").c_str(), O_RDONLY | O_DIRECTORY);
  for (int below; (below = openat(level, "d", O_RDONLY | O_DIRECTORY)) >= 0; levels++) close(level), level = below;
  EXPECT_EQ(faccessat(level, "bottom.txt", F_OK, 0), 0);
  close(level);
  EXPECT_EQ(levels, 2000);
  close_window("Deep");
  EXPECT_EQ(ended(run), 0);
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

// An app of exactly 65,535 entries, the count the classic zip record holds
// only as "see the zip64 record": packed, served and shown.
TEST_F(LinuxLauncherHostile, AnAppOfExactly65535EntriesShows) {
  fs::path app = make_app("many", paint_green);
  fs::create_directories(app / "f");
  // Every file and folder is an entry.
  size_t entries = std::distance(fs::recursive_directory_iterator(app), fs::recursive_directory_iterator());
  for (size_t i = entries; i < 0xFFFF; i++) close(open((app / "f" / std::to_string(i)).c_str(), O_WRONLY | O_CREAT, 0644));
  pid_t run = start(pack(app, "Many"));
  screen_rect rect;
  ASSERT_TRUE(shows("Many", green, rect));
  close_window("Many");
  EXPECT_EQ(ended(run), 0);
}

// A single-instance program too: the folder of its claim goes with it.
TEST_F(LinuxLauncherHostile, WithoutADisplayItSaysSoAndEndsWithExitCode1BeforeClaimingAFolder) {
  fs::path program = pack(make_app("app", paint_green), "Blind", {"--single-instance"});
  const struct {
    std::string display_change;
    std::string message;
  } cases[] = {
      {"DISPLAY", "Blind: no display to show the app on: neither DISPLAY nor WAYLAND_DISPLAY is set\n"},
      {"DISPLAY=:999", "Blind: cannot open the display :999\n"},
  };
  for (const auto& c : cases) {
    pid_t run = start(program, {c.display_change, "WAYLAND_DISPLAY"});
    EXPECT_EQ(ended(run, 15000), 1) << c.display_change;
    EXPECT_EQ(error_output(run), c.message);
    EXPECT_TRUE(fs::is_empty(dir / "run"));
  }
}

// Another user who makes the instance folder first, where the base folder
// is shared, neither takes the program's second start nor turns single
// instance off: the next name is used, by every start alike.
TEST_F(LinuxLauncherHostile, AnInstanceFolderOfAnotherUserIsPassedOverAndTheProgramStaysOne) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  fs::path program = pack(make_app("app", paint_green), "Alone", {"--single-instance"});
  const std::string name = instance_folder_name("id:alone");  // by the app's id
  fs::create_directories(dir / "run" / name);
  ASSERT_EQ(chown((dir / "run" / name).c_str(), 65534, 65534), 0);
  pid_t first = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Alone", green, rect));
  pid_t second = start(program);
  EXPECT_EQ(ended(second, 25000), 0) << "the second start found the first";
  close_window("Alone");
  EXPECT_EQ(ended(first), 0);
  EXPECT_EQ(folders_in(dir / "run"), (std::vector<std::string>{name, name + "-1"}));
}

TEST_F(LinuxLauncherHostile, OnlyFilesAndFoldersAreUnpackedAndAWarnedEntryStopsNothing) {
  std::string page = "<!doctype html><body style='margin:0;height:100vh;background:#00ff00'>";
  std::string zip = hand_made_zip({{"index.html", AE_IFREG, page},
                                   {"a.txt", AE_IFREG, "a"},
                                   {"b\xC3\xA9.txt", AE_IFREG, "b"},
                                   {"lnk", AE_IFLNK, "/etc/passwd"},
                                   {"dev", AE_IFCHR, "d"},
                                   {"disk", AE_IFBLK, "d"},
                                   {"socket", AE_IFSOCK, "s"},
                                   {"sub/", AE_IFDIR, ""},
                                   {"sub/later.txt", AE_IFREG, "later"}});
  // A name flagged as UTF-8 that is not: libarchive warns of that entry.
  for (size_t at = zip.find("b\xC3\xA9"); at != std::string::npos; at = zip.find("b\xC3\xA9", at)) zip[at + 2] = '(';
  pid_t run = start(program_with(zip, "Kinds"));
  screen_rect rect;
  ASSERT_TRUE(shows("Kinds", green, rect));
  fs::path folder = dir / "run" / "webapp";
  EXPECT_EQ(folders_in(folder), (std::vector<std::string>{"a.txt", "index.html", "sub", "webapp.lock"}));
  std::ifstream later(folder / "sub" / "later.txt");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(later)), {}), "later");
  close_window("Kinds");
  EXPECT_EQ(ended(run), 0);
}

// A removal cut short keeps the folder marked, so that the next start
// removes what is left.
TEST_F(LinuxLauncherHostile, ARemovalThatFailsHalfWayIsFinishedByTheNextStart) {
  fs::path program = pack(make_app("app", paint_green), "Held", {"--file-url"});
  pid_t run = start(program);
  screen_rect rect;
  ASSERT_TRUE(shows("Held", green, rect));
  fs::path folder = dir / "run" / "webapp", stuck = folder / "js" / "stuck.txt";
  write(stuck, "");
  int file = open(stuck.c_str(), O_RDONLY), flags = 0;
  bool immutable = ioctl(file, FS_IOC_GETFLAGS, &flags) == 0 &&
                   (flags |= FS_IMMUTABLE_FL, ioctl(file, FS_IOC_SETFLAGS, &flags) == 0);
  if (!immutable) {
    close(file);
    close_window("Held");
    ended(run);
    GTEST_SKIP() << "this file system keeps no immutable files, which the removal could not delete";
  }
  close_window("Held");
  EXPECT_EQ(ended(run), 0);
  EXPECT_EQ(folders_in(folder), (std::vector<std::string>{"js", "webapp.lock"}));
  EXPECT_EQ(folders_in(folder / "js"), std::vector<std::string>{"stuck.txt"});
  flags &= ~FS_IMMUTABLE_FL;
  ioctl(file, FS_IOC_SETFLAGS, &flags);
  close(file);

  run = start(program);
  ASSERT_TRUE(shows("Held", green, rect));
  EXPECT_EQ(folders_in(dir / "run"), std::vector<std::string>{"webapp"});
  EXPECT_FALSE(fs::exists(stuck));
  close_window("Held");
  EXPECT_EQ(ended(run), 0);
  EXPECT_TRUE(fs::is_empty(dir / "run"));
}

}  // namespace
