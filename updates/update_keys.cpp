#include "updates/update_keys.h"

#include <sodium.h>

#include <algorithm>

#include "launcher-common/base64.h"

namespace {

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

std::string base64_text(const unsigned char* bytes, size_t size) {
  return base64_encoded(std::string_view((const char*)bytes, size));
}

bool bytes_of_base64(std::string_view text, unsigned char* bytes, size_t size) {
  std::string decoded;
  if (!base64_decoded(trimmed(text), decoded) || decoded.size() != size) return false;
  std::copy(decoded.begin(), decoded.end(), bytes);
  return true;
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

bool signature_holds(std::string_view message, const update_signature& signature, const update_public_key& key) {
  return crypto_sign_verify_detached(signature.data(), (const unsigned char*)message.data(), message.size(),
                                     key.data()) == 0;
}

sha256_digest::sha256_digest() { crypto_hash_sha256_init((crypto_hash_sha256_state*)state_); }

void sha256_digest::add(std::string_view bytes) {
  crypto_hash_sha256_update((crypto_hash_sha256_state*)state_, (const unsigned char*)bytes.data(), bytes.size());
}

std::string sha256_digest::hex() {
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256_final((crypto_hash_sha256_state*)state_, digest);
  std::string text;
  for (unsigned char byte : digest) text += "0123456789abcdef"[byte >> 4], text += "0123456789abcdef"[byte & 15];
  return text;
}
