#pragma once
// Ed25519 keys and signatures for updates, from libsodium, and the texts
// they are kept in. The developer keeps the secret key, signs each release's
// manifest with it, and packs the public key into the program, which takes
// only a manifest signed by it.
//   public key file: "wapp-update-public-key <base64 of 32 bytes>\n"
//   secret key file: "wapp-update-secret-key <base64 of 64 bytes>\n"
//   UpdateKey setting: the public key's base64 alone
//   update.json.sig: the signature's base64, one line
#include <array>
#include <string>
#include <string_view>

using update_public_key = std::array<unsigned char, 32>;
using update_secret_key = std::array<unsigned char, 64>;
using update_signature = std::array<unsigned char, 64>;

constexpr char public_key_label[] = "wapp-update-public-key";
constexpr char secret_key_label[] = "wapp-update-secret-key";

// False when the library cannot start (no randomness).
bool make_update_keys(update_public_key& public_key, update_secret_key& secret_key);

std::string key_file_text(const update_public_key& key);
std::string key_file_text(const update_secret_key& key);
// The key of a file's text; false with why (a secret key given for a public
// one is named as such, so that it goes nowhere it should not).
bool read_public_key_file(std::string_view text, update_public_key& key, std::string& problem);
bool read_secret_key_file(std::string_view text, update_secret_key& key, std::string& problem);

// Standard base64 with padding (launcher-common/base64.h), for keys and
// signatures: exactly size bytes, with spaces and line ends around allowed.
std::string base64_text(const unsigned char* bytes, size_t size);
bool bytes_of_base64(std::string_view text, unsigned char* bytes, size_t size);

update_signature signature_of(std::string_view message, const update_secret_key& key);
bool signature_holds(std::string_view message, const update_signature& signature, const update_public_key& key);

// SHA-256, fed as bytes come, in lower-case hex at the end.
class sha256_digest {
 public:
  sha256_digest();
  void add(std::string_view bytes);
  std::string hex();

 private:
  alignas(64) unsigned char state_[128];
};

// The public half of a secret key (libsodium keeps it in the secret key's
// last 32 bytes).
update_public_key public_key_of(const update_secret_key& key);
