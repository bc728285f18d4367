// Archives at the boundaries of the classic zip end record: the packer and
// the index that both launchers and --inspect read apps through must agree
// on where the zip64 records begin (a count of exactly 0xFFFF is already
// the record's "look in the zip64 record").
#include <fcntl.h>
#include <unistd.h>

#include "packer_test_support.h"
#include "payload/zip_index.h"

namespace {

TEST_F(packer_test, ArchivesAroundSixtyFiveThousandEntriesOpenAndServe) {
  fs::path app = dir / "many";
  fs::create_directories(app);
  write_bytes(app / "index.html", "<title>many</title>");
  write_bytes(dir / "launcher", linux_launcher_bytes());
  int made = 1;
  auto name_of = [](int number) { return std::string("f").append(std::to_string(number)); };
  auto make_files = [&](int count) {
    for (; made < count; made++) close(open((app / name_of(made)).c_str(), O_WRONLY | O_CREAT, 0644));
  };
  for (int entries : {0xFFFE, 0xFFFF, 0x10000}) {
    SCOPED_TRACE(entries);
    make_files(entries);
    ASSERT_EQ(pack({u(app), "-o", u(dir / "many-app"), "--launcher", u(dir / "launcher"), "--target", "linux", "--quiet"}),
              exit_done)
        << err;
    payload_parts parts = split_payload(read_bytes(dir / "many-app"));
    zip_index index;
    ASSERT_TRUE(index.open(parts.zip, false));
    EXPECT_TRUE(index.complete());
    EXPECT_EQ(index.entries().size(), (size_t)entries);
    EXPECT_NE(index.find("index.html"), nullptr);
    EXPECT_NE(index.find(name_of(entries - 1)), nullptr);
    ASSERT_EQ(pack({"--inspect", u(dir / "many-app")}), exit_done) << out;
    EXPECT_NE(out.find("payload: sound"), std::string::npos);
  }
}

}  // namespace
