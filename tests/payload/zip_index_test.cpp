// The archive index and its entry reader on archives made byte by byte and
// damaged field by field: what each name answers, and that nothing damaged
// or outside the archive is ever given out as an entry's bytes.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "launcher-common/served_names.h"
#include "payload/zip_entry_reader.h"
#include "payload/zip_index.h"
#include "support/entry_name_cases.h"
#include "support/zip_bytes.h"

namespace {

using answer = std::optional<std::string>;  // none: answered as missing

// What a launcher answers for the name: the entry's checked bytes, or none.
answer served(const zip_index& index, const std::string& name) {
  const zip_entry* entry = index.find(name);
  std::string inflated;
  std::string_view bytes;
  if (!entry || !read_checked_entry(index.archive(), *entry, inflated, bytes)) return std::nullopt;
  return std::string(bytes);
}

const std::string page = "<!doctype html><script src=app.js></script>", code(400, 'c');

struct index_case {
  const char* title;
  std::vector<zip_bytes_entry> entries;
  std::function<void(zip_bytes&)> damage;
  std::vector<std::pair<std::string, answer>> asked;
  bool any_case = false;
  // Entries the index must not list at all: no reader, whole or streamed,
  // may be handed their bytes.
  bool unlisted = false;
};

TEST(ZipIndex, EachNameAnswersItsCheckedBytesOrNothing) {
  auto field = [](int entry, size_t offset, uint64_t value, int count, bool central = true) {
    return [=](zip_bytes& zip) {
      put_le(zip.bytes, (central ? zip.central : zip.local)[entry] + offset, value, count);
    };
  };
  const std::vector<zip_bytes_entry> app = {{"index.html", page, false}, {"js/", "", false}, {"js/app.js", code}};
  const index_case cases[] = {
      {"stored and deflated", app, nullptr, {{"index.html", page}, {"js/app.js", code}, {"js", {}}, {"js/", {}}, {"app.js", {}}}},
      {"names are keys", {{"./a//b.txt", "ab"}, {"c\\d.txt", "cd"}}, nullptr,
       {{"a/b.txt", "ab"}, {"./a/b.txt", "ab"}, {"c/d.txt", "cd"}, {"c\\d.txt", "cd"}, {"A/B.txt", {}}}},
      {"any case", {{"Img/Logo.PNG", "png"}}, nullptr, {{"img/logo.png", "png"}, {"IMG/LOGO.png", "png"}}, true},
      {"the later of two", {{"a.txt", "first"}, {"./a.txt", "second"}}, nullptr, {{"a.txt", "second"}}},
      {"not UTF-8", {{"caf\xE9.txt", "x"}, {"caf\xC3\xA9.txt", "y"}}, nullptr,
       {{"caf\xE9.txt", {}}, {"caf\xC3\xA9.txt", "y"}}},
      {"checksum", app, field(2, 16, 0x12345678, 4), {{"js/app.js", {}}, {"index.html", page}}},
      {"stored checksum", app, field(0, 16, 1, 4), {{"index.html", {}}}},
      {"data flipped", app, [](zip_bytes& z) { z.bytes[z.local[2] + 30 + 9 + 3] ^= 0x55; }, {{"js/app.js", {}}}},
      {"size larger", app, field(2, 24, code.size() + 1, 4), {{"js/app.js", {}}}},
      {"size smaller", app, field(2, 24, code.size() - 1, 4), {{"js/app.js", {}}}},
      {"stored sizes differ", app, field(0, 20, page.size() - 1, 4), {{"index.html", {}}}, false, true},
      {"stored data longer", app, field(0, 20, page.size() + 4, 4), {{"index.html", {}}}, false, true},
      {"encrypted", app, field(0, 8, 1, 2), {{"index.html", {}}}, false, true},
      {"compressed past the end", app, field(2, 20, 0x7FFFFFF0, 4), {{"js/app.js", {}}, {"index.html", page}}},
      {"header past the end", app, field(2, 42, 0x7FFFFFF0, 4), {{"js/app.js", {}}}},
      {"header elsewhere", app, field(2, 42, 1, 4), {{"js/app.js", {}}}},
      {"local name longer", app, field(0, 26, 0xFFFF, 2, false), {{"index.html", {}}}},
      {"unknown method", app, field(2, 10, 12, 2), {{"js/app.js", {}}}},
      {"zip64 sizes", app,
       [&](zip_bytes& z) {
         // The stored entry's sizes in a zip64 field of its central record.
         std::string extra = std::string("\1\0\20\0", 4) + std::string(16, '\0');
         put_le(extra, 4, page.size(), 8);
         put_le(extra, 12, page.size(), 8);
         put_le(z.bytes, z.central[0] + 20, 0xFFFFFFFF, 4);
         put_le(z.bytes, z.central[0] + 24, 0xFFFFFFFF, 4);
         put_le(z.bytes, z.central[0] + 30, extra.size(), 2);
         z.bytes.insert(z.central[0] + 46 + 10, extra);
         put_le(z.bytes, z.end + extra.size() + 12, z.end - z.central[0] + extra.size(), 4);
       },
       {{"index.html", page}, {"js/app.js", code}}},
      {"zip64 size missing", app, field(2, 24, 0xFFFFFFFF, 4), {{"js/app.js", {}}, {"index.html", page}}},
  };
  for (const index_case& c : cases) {
    SCOPED_TRACE(c.title);
    zip_bytes zip = make_zip_bytes(c.entries);
    if (c.damage) c.damage(zip);
    zip_index index;
    ASSERT_TRUE(index.open(zip.bytes, c.any_case));
    EXPECT_TRUE(index.complete());
    EXPECT_EQ(index.entries().size(), c.entries.size());
    for (const auto& [name, expected] : c.asked) {
      EXPECT_EQ(served(index, name), expected) << name;
      if (c.unlisted) {
        EXPECT_EQ(index.find(name), nullptr) << name;
      }
    }
  }
}

TEST(ZipIndex, AStoredEntryIsASliceOfTheArchive) {
  zip_bytes zip = make_zip_bytes({{"index.html", page, false}});
  zip_index index;
  ASSERT_TRUE(index.open(zip.bytes, false));
  std::string inflated;
  std::string_view bytes;
  ASSERT_TRUE(read_checked_entry(index.archive(), *index.find("index.html"), inflated, bytes));
  EXPECT_EQ(bytes.data(), zip.bytes.data() + 30 + 10);
  EXPECT_TRUE(inflated.empty());
}

TEST(ZipIndex, OnlyNamesTheUnpackingKeepsAreFound) {
  std::vector<zip_bytes_entry> entries;
  for (const entry_name_case& c : entry_name_cases()) entries.push_back({c.name, "data of " + c.name});
  zip_bytes zip = make_zip_bytes(entries);
  zip_index index;
  ASSERT_TRUE(index.open(zip.bytes, false));
  for (const entry_name_case& c : entry_name_cases()) {
    bool file = c.verdict == entry_name_verdict::unpacked && !c.name.ends_with('/');
    EXPECT_EQ(served(index, zip_entry_key(c.name)), file ? answer("data of " + c.name) : answer()) << c.name;
  }
}

TEST(ZipIndex, DirectoriesThatDoNotLieInsideTheBytesAreRefused) {
  const zip_bytes zip = make_zip_bytes({{"index.html", page}, {"a.js", code}});
  const struct {
    const char* title;
    std::function<void(std::string&)> damage;
    bool opens, complete;
  } cases[] = {
      {"sound", [](std::string&) {}, true, true},
      {"comment of padding", [](std::string& b) { put_le(b, b.size() - 2, 3, 2), b += "   "; }, true, true},
      {"comment past the end", [](std::string& b) { put_le(b, b.size() - 2, 1, 2); }, false, false},
      {"no end record", [](std::string& b) { b.resize(b.size() - 4); }, false, false},
      {"directory past its end record", [&](std::string& b) { put_le(b, zip.end + 12, 0x1000, 4); }, false, false},
      {"offset past the end", [&](std::string& b) { put_le(b, zip.end + 16, 0x7FFFFFFF, 4); }, false, false},
      {"more entries counted", [&](std::string& b) { put_le(b, zip.end + 10, 3, 2); }, true, false},
      {"a record cut", [&](std::string& b) { b[zip.central[1]] = 'X'; }, true, false},
      {"zip64 without its locator", [&](std::string& b) { put_le(b, zip.end + 10, 0xFFFF, 2); }, false, false},
      {"empty", [](std::string& b) { b.clear(); }, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    std::string bytes = zip.bytes;
    c.damage(bytes);
    zip_index index;
    EXPECT_EQ(index.open(bytes, false), c.opens);
    EXPECT_EQ(index.complete(), c.complete);
    EXPECT_EQ(served(index, "index.html"), c.opens ? answer(page) : answer());
  }
}

TEST(ZipIndex, ALargeEntryIsStreamedAndItsDamageWithholdsItsEnd) {
  std::string big(3 * largest_checked_entry, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = (char)(i * 7 / 1000);
  for (bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "sound");
    zip_bytes zip = make_zip_bytes({{"big.bin", big}});
    if (damaged) put_le(zip.bytes, zip.central[0] + 16, 0, 4);
    zip_index index;
    ASSERT_TRUE(index.open(zip.bytes, false));
    zip_entry_reader reader(index.archive(), *index.find("big.bin"));
    std::string piece(65536, '\0');
    size_t total = 0;
    bool same = true;
    while (size_t got = reader.read(piece.data(), piece.size())) {
      same = same && big.compare(total, got, piece, 0, got) == 0;
      total += got;
    }
    EXPECT_TRUE(same);
    EXPECT_EQ(reader.finished(), !damaged);
    EXPECT_EQ(reader.damaged(), damaged);
    EXPECT_EQ(total, damaged ? big.size() - piece.size() : big.size()) << "its last piece is never given";
  }
}

TEST(ServedNames, AnAddressUnderTheHostNamesItsEntry) {
  const struct {
    const char* address;
    answer name;
  } cases[] = {
      {"wapp://app.wapp/index.html", "index.html"},
      {"WAPP://App.Wapp/js/a%20b.js?v=2#top", "js/a b.js"},
      {"wapp://app.wapp/caf%C3%A9.txt", "caf\xC3\xA9.txt"},
      {"wapp://app.wapp/100%25/%zz/%4", "100%/%zz/%4"},
      {"wapp://app.wapp/%2e%2e/etc/passwd", "../etc/passwd"},  // the name rule refuses it
      {"wapp://app.wapp", ""},
      {"wapp://app.wapp?x", ""},
      {"wapp://app.wapp.evil/index.html", {}},
      {"wapp://app.wapp:80/index.html", {}},
      {"wapp://user@app.wapp/index.html", {}},
      {"https://app.wapp/index.html", {}},
      {"file:///index.html", {}},
      {"app.wapp/index.html", {}},
  };
  for (const auto& c : cases) {
    std::string name;
    bool ours = served_entry_name(c.address, "wapp", "app.wapp", name);
    EXPECT_EQ(ours ? answer(name) : answer(), c.name) << c.address;
  }
}

}  // namespace
