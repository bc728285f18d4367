// Every refusal: exit status 2, one line on stderr, and no file left behind,
// neither the output nor its temporary.
#include "packer_test_support.h"
#include "png_icon.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

class Refusals : public packer_test {};

TEST_F(Refusals, EachLeavesNoOutputAndSaysWhyOnOneLine) {
  fs::path app = make_app("app"), bare = make_app("bare", {{"readme.txt", "no index here"}});
  fs::path exe = dir / "out.exe";
  write_bytes(dir / "bad.json", "{\r\n  \"WindowTitle\": \"x\",\r\n  \"WindowWidth\" 5\r\n}");
  write_bytes(dir / "list.json", "[1]");
  write_bytes(dir / "title.json", "{\"WindowTitle\": [\"x\"]}");
  write_bytes(dir / "not.ico", "GIF89a, not an icon at all, but long enough to be read as one");
  // An icon file whose one image is a 32x32 bitmap of 8 bits a pixel.
  write_bytes(dir / "old.ico", std::string("\0\0\1\0\1\0\x20\x20\0\0\1\0\x08\0\x28\0\0\0\x16\0\0\0", 22) +
                                   std::string("\x28\0\0\0\x20\0\0\0\x40\0\0\0\1\0\x08\0", 16) + std::string(24, '\0'));
  write_bytes(dir / "text.exe", "#!/bin/sh");
  write_bytes(dir / "port.json", "{\"VirtualHost\": \"app.wapp:8080\"}");
  write_bytes(dir / "number.json", "{\"VirtualHost\": 7}");
  write_bytes(dir / "elf", linux_launcher_bytes());
  // PNGs of one colour; one whose header says it is wider than high.
  auto png = [](int size) { return png_of({size, std::vector<uint8_t>((size_t)size * size * 4, 0x80)}); };
  std::string wide = png(300);
  wide[22] = 200 >> 8, wide[23] = (char)(200 & 0xFF);  // IHDR height
  write_bytes(dir / "wide.png", wide);
  write_bytes(dir / "small.png", png(64));
  write_bytes(dir / "big.png", png(256));
  // A chunk the reader does not know, whose type would be an escape sequence.
  std::string chunked = png(256);
  chunked.insert(33, std::string("\0\0\0\0\x1b[2J\0\0\0\0", 12));
  write_bytes(dir / "chunk.png", chunked);
  write_bytes(dir / "huge.json", "{\"WindowTitle\": \"" + std::string(1 << 20, 't') + "\"}");
  std::vector<fs::path> inputs = {app, bare, dir / "bad.json", dir / "list.json", dir / "title.json",
                                  dir / "not.ico", dir / "old.ico", dir / "text.exe", dir / "port.json", dir / "number.json",
                                  dir / "elf", launcher, dir / "wide.png", dir / "small.png", dir / "big.png",
                                  dir / "chunk.png", dir / "huge.json"};
#ifndef _WIN32
  // Special files the output must not be written through, nor replaced.
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir / "fifo", dir / "to-fifo");
  inputs.insert(inputs.end(), {dir / "fifo", dir / "to-fifo"});
#endif
  std::vector<std::string> common = {u(app), "-o", u(exe), "--launcher", u(launcher)};
  auto with = [&](std::vector<std::string> more, std::vector<std::string> base) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
  };
  struct refusal {
    const char* name;
    std::vector<std::string> args;
    std::string message;
    int64_t limit = payload_part_limit;
  } cases[] = {
      {"no index.html", {u(bare), "-o", u(exe), "--launcher", u(launcher)}, "has no index.html (or give --start-url)"},
      {"settings do not parse", with({"--settings", u(dir / "bad.json")}, common),
       "bad.json: line 3, column 17: syntax error while parsing object separator"},
      {"settings not an object", with({"--settings", u(dir / "list.json")}, common), "must be a JSON object"},
      {"a setting that is a list", with({"--settings", u(dir / "title.json")}, common),
       "WindowTitle must be a string or a number"},
      {"unknown option", with({"--colour", "red"}, common), "unknown option --colour"},
      {"width not a number", with({"--width", "12px"}, common), "--width wants a whole number from 1 to 32767"},
      {"height zero", with({"--height=0"}, common), "--height wants a whole number"},
      {"level past 9", with({"--level", "10"}, common), "--level wants a digit from 0 to 9"},
      {"switch given a value", with({"--resizable=1"}, common), "--resizable takes no value"},
      // Names the launcher would not use, which would give a blank page.
      {"virtual host with a scheme", with({"--virtual-host", "https://app.wapp"}, common),
       "--virtual-host wants a host name of letters, digits, hyphens and dots, not \"https://app.wapp\""},
      {"virtual host and file URL", with({"--virtual-host", "a.wapp", "--file-url"}, common),
       "--virtual-host and --file-url cannot both be given"},
      {"virtual host with a port", with({"--settings", u(dir / "port.json")}, common),
       "port.json: VirtualHost wants a host name of letters, digits, hyphens and dots, not \"app.wapp:8080\""},
      {"virtual host not a string", with({"--settings", u(dir / "number.json")}, common),
       "number.json: VirtualHost must be a string"},
      {"no output", {u(app), "--launcher", u(launcher)}, "no output given"},
      {"two folders", with({u(bare)}, common), "more than one APP_DIR"},
      {"output is the launcher", {u(app), "-o", u(dir / "app" / ".." / "launcher.exe"), "--launcher", u(launcher)},
       "would overwrite the launcher"},
      {"output inside the folder", {u(app), "-o", u(app / "css" / "x.exe"), "--launcher", u(launcher)},
       "inside the app folder"},
      {"a folder that does not exist", {u(dir / "nosuch"), "-o", u(exe)}, "the app folder " + u(dir / "nosuch") + " does not exist"},
      {"a file for its folder", {u(app / "index.html"), "-o", u(exe)},
       u(app / "index.html") + " is a file: give the folder that holds it, " + u(app)},
      {"a Windows name for Linux", with({"--target", "linux"}, common),
       "the output " + u(exe) + " is named for Windows (.exe), but --target is linux"},
      {"a Linux name for Windows", {u(app), "-o", u(dir / "out"), "--target", "windows"},
       "the output " + u(dir / "out") + " has no .exe, which a Windows program needs (--target is windows): name it " +
           u(dir / "out") + ".exe"},
      {"a launcher for another system than the name's", {u(app), "-o", u(dir / "out"), "--launcher", u(launcher)},
       "launcher.exe is a Windows executable, not a Linux program (as the name without .exe of " + u(dir / "out") +
           " says)"},
      {"one launcher for both systems", with({"--target", "both"}, common),
       "--launcher names one launcher, but --target both packs two"},
      {"a PNG not square", with({"--icon", u(dir / "wide.png")}, common),
       "wide.png is 300x200: an icon wants a square PNG"},
      {"a PNG too small", with({"--icon", u(dir / "small.png")}, common),
       "small.png is 64x64: an icon wants a PNG of at least 256x256 (Windows shows up to 256x256)"},
      {"two PNGs of one size", with({"--icon", u(dir / "big.png"), "--icon", u(dir / "big.png")}, common),
       "big.png are both 256x256: give one of each size"},
      {"an icon and a PNG", with({"--icon", u(dir / "not.ico"), "--icon", u(dir / "big.png")}, common),
       "not.ico is not a PNG: several --icon files are PNGs, one for each size"},
      {"a PNG chunk's type, shown safe", with({"--icon", u(dir / "chunk.png")}, common),
       "chunk.png: a PNG that cannot be read (\\x1b[2J PNG chunk not known)"},
      {"settings too large to read", with({"--settings", u(dir / "huge.json")}, common),
       "cannot read " + u(dir / "huge.json") + ": larger than 1 MiB, the most it may be"},
      {"--list without --inspect", with({"--list"}, common), "--list goes with --inspect"},
      {"launcher missing", {u(app), "-o", u(exe), "--launcher", u(dir / "none.exe")}, "cannot read the launcher"},
      {"default launcher missing", {u(app), "-o", u(exe)}, "cannot read the launcher"},
      {"launcher not a program", {u(app), "-o", u(exe), "--launcher", u(dir / "text.exe")},
       "is neither a Windows executable nor a Linux program"},
      {"not an icon", with({"--icon", u(dir / "not.ico")}, common), "not.ico is neither an icon file (.ico) nor a PNG"},
      {"an old icon for Linux", {u(app), "-o", u(dir / "out"), "--launcher", u(dir / "elf"), "--icon", u(dir / "old.ico")},
       "old.ico: its largest image (32x32, 8 bits a pixel) is neither a PNG nor a 32-bit bitmap, which a Linux "
       "program needs: give --icon a square PNG"},
      {"a target its launcher is not for", {u(app), "-o", u(dir / "out"), "--launcher", u(launcher), "--target", "linux"},
       "launcher.exe is a Windows executable, not a Linux program (--target linux)"},
      {"an unknown target", with({"--target", "macos"}, common), "--target wants windows, linux or both, not \"macos\""},
      {"default Linux launcher missing", {u(app), "-o", u(dir / "out"), "--target", "linux"}, "cannot read the launcher"},
      {"archive too large", with({"--level", "0"}, common), "which its 32-bit length field cannot hold", 60000},
      {"settings too large", common, "the settings take more bytes than their 32-bit length field", 100},
#ifndef _WIN32
      // Read as files, special files would block or never end.
      {"settings a FIFO", with({"--settings", u(dir / "fifo")}, common),
       "cannot read " + u(dir / "fifo") + ": a FIFO, not a file"},
      {"settings a device", with({"--settings", "/dev/zero"}, common), "cannot read /dev/zero: a device, not a file"},
      {"an icon a device", with({"--icon", "/dev/zero"}, common), "cannot read /dev/zero: a device, not a file"},
      {"output a FIFO", {u(app), "-o", u(dir / "fifo"), "--launcher", u(launcher)},
       "the output " + u(dir / "fifo") + " exists and is not a regular file"},
      {"output a link to a FIFO", {u(app), "-o", u(dir / "to-fifo"), "--launcher", u(launcher)},
       "to-fifo exists and is not a regular file"},
#endif
  };
  // The default launcher is looked for beside the packer: here, dir.
  fs::rename(launcher, dir / "spare.exe");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    part_limit = c.limit;
    fs::remove(launcher);
    fs::copy_file(dir / "spare.exe", launcher);
    if (std::string(c.name) == "default launcher missing") fs::remove(launcher);
    EXPECT_EQ(pack(c.args), exit_refused) << err;
    EXPECT_EQ(err.rfind("wapp-pack: ", 0), 0u) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(out, "");
    auto left = other_files({inputs.begin(), inputs.end()});
    std::erase(left, u(dir / "spare.exe"));
    EXPECT_TRUE(left.empty()) << left.front();
  }
  part_limit = payload_part_limit;
  fs::remove(launcher);
  fs::copy_file(dir / "spare.exe", launcher);
  EXPECT_EQ(pack({u(app), "-o", u(exe)}), exit_done) << err;  // now found beside the packer
#ifndef _WIN32
  EXPECT_EQ(fs::status(dir / "fifo").type(), fs::file_type::fifo);
#endif
}

TEST_F(Refusals, FilesThatCannotBeReadOrKeptOnWindows) {
  fs::path exe = dir / "out.exe";
#ifdef _WIN32
  // A file another program holds without sharing cannot be read.
  fs::path app = make_app("locked");
  HANDLE lock = CreateFileW((app / "css" / "site.css").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher)}), exit_refused);
  EXPECT_NE(err.find("cannot read"), std::string::npos) << err;
  CloseHandle(lock);
#else
  auto refused = [&](const fs::path& app, const std::string& message) {
    SCOPED_TRACE(u(app));
    EXPECT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher)}), exit_refused);
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(exe));
  };
  // Names the launcher would not unpack as they are: entry_names_test.cpp;
  // links: links_linux_test.cpp.
  refused(make_app("latin1", {{"index.html", "x"}, {"caf\xE9.txt", "x"}}), "the name is not UTF-8");
  refused(make_app("escape", {{"index.html", "x"}, {"\x1b[2Jwipe.txt", "x"}}), "\n  \\x1b[2Jwipe.txt: the name holds");
  EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
  fs::path app = make_app("fifo");
  ASSERT_EQ(mkfifo((app / "pipe").c_str(), 0600), 0);
  refused(app, "neither a file nor a folder");
#endif
}

}  // namespace
