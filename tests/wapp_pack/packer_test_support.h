#pragma once
// The packer run in-process on folders made on the spot, and what the tests
// read back from its output. Builds on Windows and on Linux.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "payload/trailer.h"
#include "png_icon.h"
#include "text_paths.h"
#include "wapp_pack.h"
#include "zip_writer.h"

#ifndef _WIN32
#include <clocale>
#endif

namespace fs = std::filesystem;

using file_list = std::vector<std::pair<std::string, std::string>>;  // UTF-8 name, bytes

// Names that exercise nesting, non-ASCII text (accents, CJK, an emoji) and an
// empty file; "empty/" is an empty folder.
inline const file_list sample_files = {
    {"index.html", "<!doctype html><title>t</title><link rel=stylesheet href=css/site.css>"},
    {"css/site.css", "body { margin: 0 }"},
    {"js/app.js", std::string(70000, 'a') + "console.log(1);"},
    {"img/deep/er/pixel.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>"},
    {"donn\xC3\xA9" "es/caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80.txt", "\xC3\xA9t\xC3\xA9"},
    {"empty.txt", ""},
    {"bin.dat", std::string("\0\1\2\xFF\xFE", 5)},
};

inline std::string read_bytes(const fs::path& path) {
  std::string bytes, problem;
  read_whole_file(path, bytes, problem);
  return bytes;
}

inline void write_bytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::FILE* file = open_file(path, "wb");
  ASSERT_NE(file, nullptr) << utf8_of(path);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The name of an entry libarchive read, as UTF-8: on Linux it converts names
// through the C library's locale, which must then be a UTF-8 one.
inline std::string zip_entry_name(archive_entry* entry) {
#ifdef _WIN32
  const wchar_t* name = archive_entry_pathname_w(entry);
  return name ? utf8_of(std::filesystem::path(name)) : "";
#else
  std::setlocale(LC_CTYPE, "C.UTF-8");
  const char* name = archive_entry_pathname(entry);
  return name ? name : "";
#endif
}

// The entries of a zip archive in their order: name and data, as libarchive
// reads them.
inline file_list zip_entries(const std::string& zip) {
  file_list entries;
  archive* reader = archive_read_new();
  archive_read_support_format_zip(reader);
  EXPECT_EQ(archive_read_open_memory(reader, zip.data(), zip.size()), ARCHIVE_OK);
  archive_entry* entry;
  while (archive_read_next_header(reader, &entry) == ARCHIVE_OK) {
    std::string data(4096, '\0'), all;
    la_ssize_t count;
    while ((count = archive_read_data(reader, data.data(), data.size())) > 0) all.append(data, 0, (size_t)count);
    entries.emplace_back(zip_entry_name(entry), all);
  }
  archive_read_free(reader);
  return entries;
}

// The header of a 64-bit little-endian ELF executable (ET_EXEC) and some
// bytes: a Linux launcher as the packer tells one, by its header.
inline std::string linux_launcher_bytes() {
  std::string elf("\x7F" "ELF\2\1\1", 7);
  elf.resize(16, '\0');
  elf += std::string("\2\0\x3E\0", 4);  // e_type ET_EXEC, e_machine x86-64
  return elf + std::string(2000, '\xCC');
}

struct payload_parts {
  std::string executable, json, zip;
};

inline payload_parts split_payload(const std::string& bytes) {
  trailer_layout t = find_trailer(memory_source(bytes));
  EXPECT_TRUE(t.sound);
  return {bytes.substr(0, t.start), bytes.substr(t.json_offset, (size_t)std::max(t.json_length, 0)),
          bytes.substr(t.archive_offset, (size_t)std::max(t.archive_length, 0))};
}

// A 32-bit image per size: blue rising to the right, green downwards, red
// from the size, all opaque; rows stored bottom-up as icon bitmaps are.
inline std::string icon_bitmap(int size) {
  std::string bmp;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) bmp += (char)(value >> (8 * i));
  };
  put(40, 4), put(size, 4), put(2 * size, 4), put(1, 2), put(32, 2);
  for (int i = 0; i < 6; i++) put(0, 4);
  for (int y = size - 1; y >= 0; y--) {
    for (int x = 0; x < size; x++) put(0xFF000000u | (size * 5u) << 16 | (y * 255u / size) << 8 | x * 255u / size, 4);
  }
  bmp.append((size_t)size * ((size + 31) / 32 * 4), '\0');  // AND mask: all shown
  return bmp;
}

inline std::string make_icon_file(const std::vector<int>& sizes) {
  std::string ico("\0\0\1\0", 4), images;
  ico += (char)sizes.size(), ico += '\0';
  for (int size : sizes) {
    std::string bmp = icon_bitmap(size);
    uint32_t offset = (uint32_t)(6 + 16 * sizes.size() + images.size()), length = (uint32_t)bmp.size();
    ico += (char)size, ico += (char)size, ico += std::string("\0\0\1\0\x20\0", 6);
    for (uint32_t v : {length, offset}) ico += std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)};
    images += bmp;
  }
  return ico + images;
}

// What icon_one_pixels gives for an image of icon_bitmap.
inline std::string expected_icon_pixels(int size) {
  std::string bmp = icon_bitmap(size), out = std::to_string(size) + "x" + std::to_string(size) + ":";
  static const char hex[] = "0123456789abcdef";
  for (int y = 0; y < size; y++) {
    for (int k = 0; k < size * 4; k++) {
      auto c = (unsigned char)bmp[40 + (size - 1 - y) * size * 4 + k];
      out += {hex[c >> 4], hex[c & 15]};
    }
  }
  return out;
}

// What icon_one_pixels gives for an icon of one opaque colour (0xRRGGBB).
inline std::string solid_icon_pixels(int size, uint32_t rgb) {
  static const char hex[] = "0123456789abcdef";
  std::string pixel;
  for (uint32_t byte : {rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF, 0xFFu}) pixel += {hex[byte >> 4], hex[byte & 15]};
  std::string out = std::to_string(size) + "x" + std::to_string(size) + ":";
  for (int i = 0; i < size * size; i++) out += pixel;
  return out;
}

// The options that give a program the app's own name and version, and what
// Windows then reads from its version resource (icon_pixels.h).
inline const std::vector<std::string> identity_options = {
    "--app-name", "Caf\xC3\xA9 Notes", "--app-version", "2.5.1-beta", "--description", "Notes, offline",
    "--company", "ACME", "--copyright", "\xC2\xA9 2025 ACME"};
inline std::string expected_version_texts(const std::string& file_stem) {
  return "2.5.1.0\nCompanyName=ACME\nFileDescription=Notes, offline\nFileVersion=2.5.1-beta\nInternalName=" + file_stem +
         "\nLegalCopyright=\xC2\xA9 2025 ACME\nOriginalFilename=" + file_stem +
         ".exe\nProductName=Caf\xC3\xA9 Notes\nProductVersion=2.5.1-beta";
}

class packer_test : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("wapp-packer-" + std::to_string(process_id()) + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    launcher = dir / "launcher.exe";
    write_bytes(launcher, "MZ" + std::string(3000, '\x90'));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  // Runs wapp-pack with these arguments; its output goes to out and err.
  int pack(const std::vector<std::string>& args) {
    std::ostringstream o, e;
    int status = run_wapp_pack(args, tool_context{dir, o, e, false, part_limit, dir});
    out = o.str();
    err = e.str();
    return status;
  }

  fs::path make_app(const std::string& name, const file_list& files = sample_files) {
    fs::path root = dir / name;
    fs::create_directories(root / "empty");
    for (const auto& [file, data] : files) write_bytes(root / path_of(file), data);
    return root;
  }

  // The files of the folder other than those given: what a refused pack
  // must not leave behind.
  std::vector<std::string> other_files(const std::vector<fs::path>& known) {
    std::vector<std::string> left;
    for (const auto& item : fs::directory_iterator(dir)) {
      if (std::find(known.begin(), known.end(), item.path()) == known.end()) left.push_back(utf8_of(item.path()));
    }
    return left;
  }

  static std::string u(const fs::path& path) { return utf8_of(path); }

  // An app of about 100 MB that does not compress, which takes a while to pack.
  fs::path make_big_app(const std::string& name) {
    fs::path app = make_app(name, {{"index.html", "<title>big</title>"}});
    std::mt19937_64 random(28);
    std::string chunk(4 << 20, '\0');
    for (int i = 0; i < 24; i++) {
      for (size_t at = 0; at + 8 <= chunk.size(); at += 8) {
        uint64_t value = random();
        std::memcpy(&chunk[at], &value, 8);
      }
      write_bytes(app / "data" / ("part" + std::to_string(i) + ".bin"), chunk);
    }
    return app;
  }

  // A square PNG of one opaque colour (0xRRGGBB), written to dir.
  fs::path solid_png(const std::string& name, int size, uint32_t rgb) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < size * size; i++) bytes.insert(bytes.end(), {(uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb, 0xFF});
    write_bytes(dir / name, png_of({size, bytes}));
    return dir / name;
  }

  fs::path dir, launcher;
  std::string out, err;
  int64_t part_limit = payload_part_limit;
};
