// The updates' own rules, in both builds: RFC 8032's Ed25519 vectors
// through libsodium as each build links it, the version order, and what a
// manifest must be.
#include <gtest/gtest.h>

#include "updates/app_update.h"
#include "updates/version_order.h"

namespace {

std::string bytes_of_hex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
  return bytes;
}

TEST(UpdateKeys, Rfc8032VectorsSignAndVerify) {
  const struct {
    const char *seed, *public_key, *message, *signature;
  } vectors[] = {
      {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60",
       "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe2465"
       "5141438e7a100b"},
      {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb",
       "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aee"
       "b00d291612bb0c00"},
      {"c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7",
       "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
       "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28d"
       "c027beceea1ec40a"},
  };
  for (const auto& v : vectors) {
    SCOPED_TRACE(v.public_key);
    // libsodium's secret key is the seed followed by the public key.
    std::string secret_bytes = bytes_of_hex(v.seed) + bytes_of_hex(v.public_key), message = bytes_of_hex(v.message);
    update_secret_key secret;
    update_public_key public_key;
    std::copy(secret_bytes.begin(), secret_bytes.end(), secret.begin());
    public_key = public_key_of(secret);
    EXPECT_EQ(std::string(public_key.begin(), public_key.end()), bytes_of_hex(v.public_key));
    update_signature signature = signature_of(message, secret);
    EXPECT_EQ(std::string(signature.begin(), signature.end()), bytes_of_hex(v.signature));
    EXPECT_TRUE(signature_holds(message, signature, public_key));
    signature[63] ^= 0x40;
    EXPECT_FALSE(signature_holds(message, signature, public_key));
  }
  sha256_digest digest;
  digest.add("ab"), digest.add("c");
  EXPECT_EQ(digest.hex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(UpdateKeys, KeyFilesAreTakenOnlyForWhatTheyAre) {
  update_public_key public_key;
  update_secret_key secret;
  ASSERT_TRUE(make_update_keys(public_key, secret));
  update_public_key public_read;
  update_secret_key secret_read;
  std::string problem;
  EXPECT_TRUE(read_public_key_file(key_file_text(public_key), public_read, problem));
  EXPECT_EQ(public_read, public_key);
  EXPECT_TRUE(read_secret_key_file(key_file_text(secret) + "\r\n", secret_read, problem));
  EXPECT_EQ(secret_read, secret);
  EXPECT_FALSE(read_public_key_file(key_file_text(secret), public_read, problem));
  EXPECT_EQ(problem, "this is the secret key: give its .pub file, and keep the secret key out of the program");
  EXPECT_FALSE(read_secret_key_file(key_file_text(public_key), secret_read, problem));
  std::string short_key = key_file_text(public_key);
  short_key.erase(30, 4);
  EXPECT_FALSE(read_public_key_file(short_key, public_read, problem));
}

TEST(VersionOrder, FollowsSemanticVersioning) {
  const struct {
    const char *a, *b;
    std::optional<int> order;
  } cases[] = {
      {"1.0.0", "2.0.0", -1},           {"1.2", "1.2.0", 0},
      {"1.2.3.4", "1.2.3", 1},          {"10.0.0", "9.9.9", 1},
      {"2.0.0-beta.2", "2.0.0", -1},    {"2.0.0-beta.2", "2.0.0-beta.10", -1},
      {"2.0.0-alpha", "2.0.0-alpha.1", -1}, {"2.0.0-1", "2.0.0-alpha", -1},
      {"1.0.0+build.5", "1.0.0+other", 0}, {"1..2", "1.0.0", std::nullopt},
      {"v1.0.0", "1.0.0", std::nullopt}, {"1.0.0-", "1.0.0", std::nullopt},
      {"1.2.3.4.5", "1.0.0", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.b);
    EXPECT_EQ(version_order(c.a, c.b), c.order);
    if (c.order) {
      EXPECT_EQ(version_order(c.b, c.a), -*c.order);
    }
  }
}

TEST(UpdateManifest, IsReadBackAndRefusedWhereItCannotBe) {
  update_manifest m{"notes", "Notes", "2.0.0", "\"quoted\"\nlines", "2026-12-09T12:00:00Z",
                    {{"linux-x64", "notes-2.0.0", 1234, std::string(64, 'a')}}};
  update_manifest read;
  std::string problem;
  ASSERT_TRUE(read_update_manifest(update_manifest_text(m), read, problem)) << problem;
  EXPECT_EQ(update_manifest_text(read), update_manifest_text(m));
  const struct {
    std::function<void(update_manifest&)> change;
    const char* problem;
  } hostile[] = {
      {[](update_manifest& m) { m.programs[0].file = "../launcher"; },
       "the update manifest names a program that is no plain file name"},
      {[](update_manifest& m) { m.programs[0].file = ".bashrc"; },
       "the update manifest names a program that is no plain file name"},
      {[](update_manifest& m) { m.programs[0].sha256 = std::string(64, 'A'); },
       "the update manifest's sha256 for linux-x64 is not 64 hex digits"},
      {[](update_manifest& m) { m.notes = std::string(update_manifest_limit, 'x'); },
       "the update manifest is larger than 64 KiB"},
  };
  for (const auto& h : hostile) {
    update_manifest changed = m;
    h.change(changed);
    EXPECT_FALSE(read_update_manifest(update_manifest_text(changed), read, problem));
    EXPECT_EQ(problem, h.problem);
  }
  std::string negative = update_manifest_text(m);
  negative.replace(negative.find("1234"), 4, "-1");
  EXPECT_FALSE(read_update_manifest(negative, read, problem));
  EXPECT_EQ(problem, "the update manifest's size for linux-x64 is no whole number");
  EXPECT_FALSE(is_loopback_url("http://127.0.0.1.example.com/"));
  EXPECT_FALSE(is_loopback_url("http://localhost@example.com/"));
  EXPECT_TRUE(is_loopback_url("http://[::1]:8080/u/"));
}

}  // namespace
