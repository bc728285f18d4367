// Signed launchers: every payload ends on an 8-byte boundary, so a signing
// tool pads nothing in front of its table; a signed launcher is repacked only
// without its signature; --inspect tells whether the signature covers the
// payload. Real signatures are made and checked end to end.
#include "packer_test_support.h"
#include "payload/json_text.h"
#include "support/signed_files.h"

namespace {

using namespace signed_files;

class Signing : public packer_test {};

TEST_F(Signing, EveryPayloadEndsOnAnEightByteBoundaryAndStillReads) {
  fs::path app = make_app("app"), site = make_app("site", {{"readme.txt", "x"}}), exe = dir / "out.exe";
  for (size_t extra = 0; extra < payload_alignment; extra++) {
    write_bytes(launcher, "MZ" + std::string(3000 + extra, '\x90'));
    for (const fs::path& folder : {app, site}) {
      SCOPED_TRACE(testing::Message() << extra << " bytes more, " << u(folder));
      ASSERT_EQ(pack({u(folder), "-o", u(exe), "--launcher", u(launcher), "--start-url", "x", "-q"}), exit_done) << err;
      std::string bytes = read_bytes(exe);
      EXPECT_EQ(bytes.size() % payload_alignment, 0u);
      payload_parts parts = split_payload(bytes);
      json_node root;
      json_text_error error;
      EXPECT_TRUE(parse_json_text(parts.json, root, error)) << error.message;
      EXPECT_EQ(parts.zip.empty() ? 0 : zip_entries(parts.zip).size(), folder == app ? 14u : 0u);
    }
  }
}

TEST_F(Signing, ASignedLauncherIsRepackedOnlyWithoutItsSignature) {
  fs::path app = make_app("app"), exe = dir / "out.exe", packed = dir / "packed.exe";
  write_bytes(dir / "plain.exe", unsigned_image());
  ASSERT_EQ(pack({u(app), "-o", u(packed), "--launcher", u(dir / "plain.exe"), "-q"}), exit_done) << err;
  std::string packed_bytes = read_bytes(packed);
  struct {
    const char* name;
    std::string launcher;
  } cases[] = {
      {"a signed launcher", signed_file(unsigned_image())},
      {"a signed packed app", signed_file(packed_bytes)},
      {"an app packed after signing", signed_file(unsigned_image()) + packed_bytes.substr(unsigned_image().size())},
      {"a damaged certificate entry", put(unsigned_image(), security_entry() + 4, 8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_bytes(launcher, c.launcher);
    fs::remove(exe);
    EXPECT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher)}), exit_refused);
    EXPECT_NE(err.find("is signed, and packing would break its signature: sign after packing"), std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(exe));
    ASSERT_EQ(pack({u(app), "-o", u(exe), "--launcher", u(launcher), "--strip-signature", "-q"}), exit_done) << err;
    // The launcher as it was before signing, with a new payload only.
    EXPECT_TRUE(read_bytes(exe) == packed_bytes);
  }
}

TEST_F(Signing, InspectTellsWhetherTheSignatureCoversThePayload) {
  fs::path exe = dir / "out.exe";
  write_bytes(launcher, unsigned_image());
  ASSERT_EQ(pack({u(make_app("app")), "-o", u(exe), "--launcher", u(launcher), "-q"}), exit_done) << err;
  const std::string packed = read_bytes(exe), trailer = packed.substr(unsigned_image().size());
  const std::string covered = "  the payload lies inside the signed range: the signature covers the web app";
  struct {
    const char* name;
    std::string bytes;
    int status;
    std::string says;
  } cases[] = {
      {"unsigned", packed, exit_done, "signature: none\n"},
      {"signed after packing", signed_file(packed), exit_done, covered + "\n"},
      {"signed with padding", signed_file(packed, std::string(5, '\0')), exit_done,
       covered + " (5 bytes of padding before the table)\n"},
      {"packed after signing", signed_file(unsigned_image()) + trailer, exit_done,
       "  the payload follows the table, outside the signed range"},
      {"signed without a payload", signed_file(unsigned_image()), exit_not_packed,
       "does not end with \"WAPP\", nor does a trailer stand before its certificate table)\n"},
      {"a table that does not end the file", signed_file(packed) + "x", exit_not_packed,
       "  the certificate entry is damaged: it points at no table that ends the file\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_bytes(exe, c.bytes);
    EXPECT_EQ(pack({"--inspect", u(exe)}), c.status);
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
  }
}

}  // namespace
