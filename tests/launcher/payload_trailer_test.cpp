// The payload trailer read from files made here byte by byte.
#include <gtest/gtest.h>

#include <string>

#include "launcher/payload_trailer.h"
#include "runtime/core/files.h"
#include "support/runtime_environment.h"

namespace {

std::string field(int32_t value) { return std::string((const char*)&value, 4); }

std::string block(const void* memory, int32_t length) {
  return memory ? std::string((const char*)memory, length) : "<none>";
}

// Stands in for the launcher's own code ahead of the trailer.
const std::string program_body = std::string("MZ\x90\0\3\0\0\0", 8) + std::string(3000, '\xCC');

class PayloadTrailer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { file_library_start(); }
  static void TearDownTestSuite() { file_library_stop(); }

  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"wapp-trailer-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
  }
  void TearDown() override { DeleteFileW(path_.c_str()); }

  payload_record read(const std::string& bytes) {
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
    return read_payload_trailer_of(path_.c_str());
  }

  static void expect_empty(const payload_record& p) {
    EXPECT_EQ(p.json_length, 0);
    EXPECT_EQ(p.json_block, nullptr);
    EXPECT_EQ(p.archive_length, 0);
    EXPECT_EQ(p.archive_block, nullptr);
  }

  std::wstring path_;
};

const std::string json = "{\"WindowTitle\":\"T\"}";
const std::string archive = std::string("PK\3\4", 4) + std::string(40, 'z');

TEST_F(PayloadTrailer, IsNotRecognisedWithoutTheExactMagicAtTheEnd) {
  const std::string lengths = json + field((int32_t)json.size()) + archive + field((int32_t)archive.size());
  const std::string files[] = {
      program_body,
      program_body + lengths + "wapp",
      program_body + lengths + "WAPX",
      program_body + lengths + std::string("WAP\0", 4),
      program_body + lengths + "WAPP" + "\n",
      "WAP",
      "",
  };
  for (const std::string& bytes : files) {
    SCOPED_TRACE(bytes.size());
    expect_empty(read(bytes));
  }
  expect_empty(read_payload_trailer_of(L"C:\\wapp-no-such-file.exe"));
  expect_empty(read_payload_trailer_of(L"C:\\windows"));
  expect_empty(read_payload_trailer_of(nullptr));
}

TEST_F(PayloadTrailer, RunningTestProgramCarriesNone) { expect_empty(read_payload_trailer()); }

TEST_F(PayloadTrailer, SettingsWithoutAnArchive) {
  payload_record p = read(program_body + json + field((int32_t)json.size()) + field(0) + "WAPP");
  EXPECT_EQ(p.json_length, (int32_t)json.size());
  EXPECT_EQ(block(p.json_block, p.json_length), json);
  EXPECT_EQ(p.archive_length, 0);
  EXPECT_EQ(p.archive_block, nullptr);
}

TEST_F(PayloadTrailer, AnArchiveWithoutSettings) {
  payload_record p = read(program_body + field(0) + archive + field((int32_t)archive.size()) + "WAPP");
  EXPECT_EQ(p.json_length, 0);
  EXPECT_EQ(p.json_block, nullptr);
  EXPECT_EQ(p.archive_length, (int32_t)archive.size());
  EXPECT_EQ(block(p.archive_block, p.archive_length), archive);
}

TEST_F(PayloadTrailer, NegativeLengthsTakeNoRoomAndAreKeptAsRead) {
  payload_record p = read(program_body + json + field((int32_t)json.size()) + field(-7) + "WAPP");
  EXPECT_EQ(p.archive_length, -7);
  EXPECT_EQ(p.archive_block, nullptr);
  EXPECT_EQ(block(p.json_block, p.json_length), json);

  p = read(program_body + field(-2) + archive + field((int32_t)archive.size()) + "WAPP");
  EXPECT_EQ(p.json_length, -2);
  EXPECT_EQ(p.json_block, nullptr);
  EXPECT_EQ(block(p.archive_block, p.archive_length), archive);
}

TEST_F(PayloadTrailer, ReferenceSizedSample) {
  std::string settings =
      "{\r\n  \"WindowWidth\": \"500\",\r\n  \"WindowHeight\": \"850\",\r\n  \"WindowTitle\": \"Demo\",\r\n"
      "  \"StartURL\": \"index.html\",\r\n  \"ExeFileName\": \"demo.exe\",\r\n  \"AppIcon\": \"";
  const std::string tail = "\"\r\n}";
  settings += std::string(411 - settings.size() - tail.size(), 'i') + tail;
  ASSERT_EQ(settings.size(), 411u);
  std::string zip = std::string("PK\3\4", 4);
  uint32_t x = 1;
  while (zip.size() < 322726) zip += (char)((x = x * 1103515245 + 12345) >> 24);

  payload_record p = read(program_body + settings + field(411) + zip + field(322726) + "WAPP");
  EXPECT_EQ(p.json_length, 411);
  EXPECT_EQ(p.archive_length, 322726);
  std::string json_read = block(p.json_block, p.json_length);
  EXPECT_EQ(json_read.front(), '{');
  EXPECT_EQ(json_read.back(), '}');
  EXPECT_EQ(json_read, settings);
  EXPECT_EQ(block(p.archive_block, 4), std::string("PK\3\4", 4));
  EXPECT_TRUE(block(p.archive_block, p.archive_length) == zip);
}

TEST_F(PayloadTrailer, LengthsReachingBeforeTheStartOfTheFileAreNotBelieved) {
  const std::string small_archive = "PK\3\4zip";
  struct {
    const char* name;
    std::string bytes;
    int32_t json_length;
    std::string json;
    int32_t archive_length;
    std::string archive;
  } cases[] = {
      {"no room for the archive length", "WAPP", 0, "<none>", 0, "<none>"},
      {"archive longer than the file", program_body + field(0x7FFFFFFF) + "WAPP", 0, "<none>", 0, "<none>"},
      {"archive one byte too long", small_archive + field(8) + "WAPP", 0, "<none>", 0, "<none>"},
      {"archive is the whole file before its length", small_archive + field(7) + "WAPP", 0, "<none>", 7,
       small_archive},
      {"no room for the JSON length", std::string("ab") + field(0) + "WAPP", 0, "<none>", 0, "<none>"},
      {"JSON longer than what precedes it", "{}" + field(3) + small_archive + field(7) + "WAPP", 0, "<none>", 7,
       small_archive},
      {"JSON is the whole file before its length", "{}" + field(2) + small_archive + field(7) + "WAPP", 2, "{}", 7,
       small_archive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    payload_record p = read(c.bytes);
    EXPECT_EQ(p.json_length, c.json_length);
    EXPECT_EQ(block(p.json_block, p.json_length), c.json);
    EXPECT_EQ(p.archive_length, c.archive_length);
    EXPECT_EQ(block(p.archive_block, p.archive_length), c.archive);
  }
}

}  // namespace
