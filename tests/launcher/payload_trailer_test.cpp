// The payload trailer read from files made here byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "launcher/payload_trailer.h"
#include "runtime/core/files.h"
#include "support/runtime_environment.h"
#include "support/temp_files.h"

namespace {

std::string field(int32_t value) { return std::string((const char*)&value, 4); }
std::string block(const void* memory, int32_t length) { return memory ? std::string((const char*)memory, length) : "-"; }

class PayloadTrailer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { file_library_start(); }
  static void TearDownTestSuite() { file_library_stop(); }
  void SetUp() override {
    path_ = unique_temp_path(L"wapp-trailer-") + L".exe";
  }
  void TearDown() override { DeleteFileW(path_.c_str()); }
  payload_record read(const std::string& bytes) {
    write_whole_file(path_, bytes);
    return read_payload_trailer_of(path_.c_str());
  }
  std::wstring path_;
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
