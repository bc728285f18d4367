#include "updates/update_keys.h"

#include <sodium.h>

#include <cstring>

namespace {

// sodium_init() is safe to call from any thread, any number of times.
bool sodium_ready() { return sodium_init() >= 0; }

std::string_view trimmed(std::string_view text) {
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == text.npos) return {};
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

bool read_key_file(std::string_view text, const char* label, unsigned char* key, size_t size, std::string& problem) {
  text = trimmed(text);
  std::string_view wanted = label;
  if (text.size() <= wanted.size() || text.substr(0, wanted.size()) != wanted || text[wanted.size()] != ' ' ||
      !bytes_of_base64(text.substr(wanted.size() + 1), key, size)) {
    problem = "not a key file of wapp-pack keygen (it starts with \"" + std::string(label) + " \")";
    return false;
  }
  return true;
}

}  // namespace

static_assert(sizeof(crypto_hash_sha256_state) <= 128);
static_assert(crypto_sign_PUBLICKEYBYTES == 32 && crypto_sign_SECRETKEYBYTES == 64 && crypto_sign_BYTES == 64);

bool make_update_keys(update_public_key& public_key, update_secret_key& secret_key) {
  return sodium_ready() && crypto_sign_keypair(public_key.data(), secret_key.data()) == 0;
}

std::string base64_text(const unsigned char* bytes, size_t size) {
  std::string text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), bytes, size, sodium_base64_VARIANT_ORIGINAL);
  text.resize(std::strlen(text.c_str()));
  return text;
}

bool bytes_of_base64(std::string_view text, unsigned char* bytes, size_t size) {
  text = trimmed(text);
  size_t length = 0;
  const char* end = nullptr;
  if (!sodium_ready() || text.size() != sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL) - 1)
    return false;
  return sodium_base642bin(bytes, size, text.data(), text.size(), nullptr, &length, &end,
                           sodium_base64_VARIANT_ORIGINAL) == 0 &&
         length == size && end == text.data() + text.size();
}

std::string key_file_text(const update_public_key& key) {
  return std::string(public_key_label) + " " + base64_text(key.data(), key.size()) + "\n";
}

std::string key_file_text(const update_secret_key& key) {
  return std::string(secret_key_label) + " " + base64_text(key.data(), key.size()) + "\n";
}

bool read_public_key_file(std::string_view text, update_public_key& key, std::string& problem) {
  if (trimmed(text).starts_with(secret_key_label)) {
    problem = "this is the secret key: give its .pub file, and keep the secret key out of the program";
    return false;
  }
  return read_key_file(text, public_key_label, key.data(), key.size(), problem);
}

bool read_secret_key_file(std::string_view text, update_secret_key& key, std::string& problem) {
  if (trimmed(text).starts_with(public_key_label)) {
    problem = "this is the public key: signing takes the secret key (the file without .pub)";
    return false;
  }
  return read_key_file(text, secret_key_label, key.data(), key.size(), problem);
}

update_signature signature_of(std::string_view message, const update_secret_key& key) {
  update_signature signature{};
  if (sodium_ready())
    crypto_sign_detached(signature.data(), nullptr, (const unsigned char*)message.data(), message.size(), key.data());
  return signature;
}

bool signature_holds(std::string_view message, const update_signature& signature, const update_public_key& key) {
  return sodium_ready() && crypto_sign_verify_detached(signature.data(), (const unsigned char*)message.data(),
                                                       message.size(), key.data()) == 0;
}

sha256_digest::sha256_digest() { crypto_hash_sha256_init((crypto_hash_sha256_state*)state_); }

void sha256_digest::add(std::string_view bytes) {
  crypto_hash_sha256_update((crypto_hash_sha256_state*)state_, (const unsigned char*)bytes.data(), bytes.size());
}

std::string sha256_digest::hex() {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final((crypto_hash_sha256_state*)state_, digest);
  char text[2 * sizeof digest + 1];
  sodium_bin2hex(text, sizeof text, digest, sizeof digest);
  return text;
}

update_public_key public_key_of(const update_secret_key& key) {
  update_public_key public_key{};
  crypto_sign_ed25519_sk_to_pk(public_key.data(), key.data());
  return public_key;
}
