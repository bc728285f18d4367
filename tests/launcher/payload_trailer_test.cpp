// The payload trailer read from files made here byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "launcher/payload_trailer.h"
#include "runtime/core/files.h"
#include "support/runtime_environment.h"
#include "support/signed_files.h"
#include "support/temp_files.h"

namespace {

using namespace signed_files;

std::string field(int32_t value) { return std::string((const char*)&value, 4); }
std::string block(const void* memory, int32_t length) { return memory ? std::string((const char*)memory, length) : "-"; }

class PayloadTrailer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { file_library_start(); }
  static void TearDownTestSuite() { file_library_stop(); }
  void SetUp() override {
    path_ = unique_temp_path(L"wapp-trailer-") + L".exe";
  }
  void TearDown() override {
    release_payload_trailer(last_);
    DeleteFileW(path_.c_str());
  }
  // The file is mapped until the next read.
  payload_record read(const std::string& bytes) {
    release_payload_trailer(last_);
    write_whole_file(path_, bytes);
    return last_ = read_payload_trailer_of(path_.c_str());
  }
  std::wstring path_;
  payload_record last_{};
};

TEST_F(PayloadTrailer, FindsThePartsTheLengthsDescribe) {
  const std::string body = std::string("MZ\x90\0", 4) + std::string(3000, '\xCC');
  const std::string json = "{\"WindowTitle\":\"T\"}", zip = "PK\3\4zip";
  const std::string both = json + field(19) + zip + field(7);
  struct {
    const char* name;
    std::string bytes;
    int32_t json_length;
    std::string json;
    int32_t archive_length;
    std::string archive;
  } cases[] = {
      {"both parts", body + both + "WAPP", 19, json, 7, zip},
      {"no magic", body, 0, "-", 0, "-"},
      {"lower-case magic", body + both + "wapp", 0, "-", 0, "-"},
      {"another fourth byte", body + both + std::string("WAP\0", 4), 0, "-", 0, "-"},
      {"shorter than the magic", "WAP", 0, "-", 0, "-"},
      {"settings only", body + json + field(19) + field(0) + "WAPP", 19, json, 0, "-"},
      {"archive only", body + field(0) + zip + field(7) + "WAPP", 0, "-", 7, zip},
      {"negative archive length", body + json + field(19) + field(-7) + "WAPP", 19, json, -7, "-"},
      {"negative JSON length", body + field(-2) + zip + field(7) + "WAPP", -2, "-", 7, zip},
      // Lengths reaching before the start of the file are not believed.
      {"no room for the archive length", "WAPP", 0, "-", 0, "-"},
      {"archive longer than the file", body + field(0x7FFFFFFF) + "WAPP", 0, "-", 0, "-"},
      {"archive one byte too long", zip + field(8) + "WAPP", 0, "-", 0, "-"},
      {"archive is all before its length", zip + field(7) + "WAPP", 0, "-", 7, zip},
      {"no room for the JSON length", "ab" + field(0) + "WAPP", 0, "-", 0, "-"},
      {"JSON one byte too long", "{}" + field(3) + zip + field(7) + "WAPP", 0, "-", 7, zip},
      {"JSON is all before its length", "{}" + field(2) + zip + field(7) + "WAPP", 2, "{}", 7, zip},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    payload_record p = read(c.bytes);
    EXPECT_EQ(p.json_length, c.json_length);
    EXPECT_EQ(block(p.json_block, p.json_length), c.json);
    EXPECT_EQ(p.archive_length, c.archive_length);
    EXPECT_EQ(block(p.archive_block, p.archive_length), c.archive);
  }
  payload_record none = read_payload_trailer_of(L"C:\\windows");
  EXPECT_EQ(none.json_block, nullptr);
  EXPECT_EQ(read_payload_trailer().json_length, 0);  // the test program carries none
}

// A signed file that does not end with the magic: the trailer is looked for
// before the certificate table, and only there; a damaged entry gives none.
TEST_F(PayloadTrailer, SignedFilesCarryItBeforeTheirCertificateTable) {
  const std::string json = "{}", zip = "PK\5\6zip", trailer = json + field(2) + zip + field(7) + "WAPP";
  const std::string packed = signed_file(unsigned_image() + trailer);
  const uint32_t table = packed.size() - table_size;
  struct {
    const char* name;
    std::string bytes;
    bool found;
  } cases[] = {
      {"no padding", packed, true},
      {"4 zeros of padding", signed_file(unsigned_image() + trailer, std::string(4, '\0')), true},
      {"7 zeros of padding", signed_file(unsigned_image() + trailer, std::string(7, '\0')), true},
      {"a PE32 file", signed_file(unsigned_image(false) + trailer, std::string(3, '\0'), false), true},
      // The layout of old: the trailer after the signature, found from the end.
      {"trailer after the table", signed_file(unsigned_image()) + trailer, true},
      {"8 zeros of padding", signed_file(unsigned_image() + trailer, std::string(8, '\0')), false},
      {"padding that is not zeros", signed_file(unsigned_image() + trailer, std::string("\0\1\0", 3)), false},
      {"no trailer before the table", signed_file(unsigned_image()), false},
      {"unsigned, with a table-like end", unsigned_image() + trailer + std::string(40, '\x30'), false},
      {"table not at the end", packed + "x", false},
      {"table past the end", put(packed, security_entry() + 4, 41), false},
      {"table outside the file", put(packed, security_entry(), 0xFFFFFFF0), false},
      {"table over the headers", put(put(packed, security_entry(), 0x300), security_entry() + 4, packed.size() - 0x300),
       false},
      {"headers declared over the table", put(packed, optional_at + 60, table + 1), false},
      {"section table reaching over it", put(packed, pe_at + 6, 0xFFFF, 2), false},
      {"new header outside the file", put(packed, 60, 0xFFFFFF00), false},
      {"new header beyond the end", put(packed, 60, packed.size() - 8), false},
      {"no PE signature", put(packed, pe_at, 0x4551), false},
      {"no MZ", put(packed, 0, 0x5A4E, 2), false},
      {"optional header of no known kind", put(packed, optional_at, 0x107, 2), false},
      {"only four directory entries", put(packed, optional_at + 108, 4), false},
      {"optional header too short for the entry", put(packed, pe_at + 20, 151, 2), false},
      {"as long as the entry", put(packed, pe_at + 20, 152, 2), true},
      {"empty entry", put(put(packed, security_entry(), 0), security_entry() + 4, 0), false},
      {"shorter than the DOS header", packed.substr(table), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    payload_record p = read(c.bytes);
    EXPECT_EQ(block(p.json_block, p.json_length), c.found ? json : "-");
    EXPECT_EQ(block(p.archive_block, p.archive_length), c.found ? zip : "-");
  }
}

TEST_F(PayloadTrailer, ReferenceSizedSample) {
  std::string settings = "{\r\n  \"WindowWidth\": \"500\",\r\n  \"WindowTitle\": \"";
  settings += std::string(411 - settings.size() - 4, 'i') + "\"\r\n}";
  std::string zip = "PK\3\4";
  for (uint32_t x = 1; zip.size() < 322726;) zip += (char)((x = x * 1103515245 + 12345) >> 24);
  payload_record p = read(std::string(5000, 'M') + settings + field(411) + zip + field(322726) + "WAPP");
  ASSERT_EQ(p.json_length, 411);
  ASSERT_EQ(p.archive_length, 322726);
  EXPECT_EQ(block(p.json_block, 411), settings);
  EXPECT_TRUE(block(p.archive_block, 322726) == zip);
}

}  // namespace
