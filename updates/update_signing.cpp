// The packer's half of the keys: making them and signing. Apart from the
// checks that the launchers link, because only these need sodium_init(),
// which seeds the random number generator and picks the fastest of the
// CPU-dependent implementations of other primitives than ours: Ed25519
// verification, SHA-2 and the codecs use neither, and leaving the call out
// of the launchers keeps every one of those variants (about 85 KB) out of
// launcher.exe.
#include <sodium.h>

#include "updates/update_keys.h"

namespace {

// Safe from any thread, any number of times.
bool sodium_ready() { return sodium_init() >= 0; }

}  // namespace

bool make_update_keys(update_public_key& public_key, update_secret_key& secret_key) {
  return sodium_ready() && crypto_sign_keypair(public_key.data(), secret_key.data()) == 0;
}

update_signature signature_of(std::string_view message, const update_secret_key& key) {
  update_signature signature{};
  if (sodium_ready())
    crypto_sign_detached(signature.data(), nullptr, (const unsigned char*)message.data(), message.size(), key.data());
  return signature;
}

update_public_key public_key_of(const update_secret_key& key) {
  update_public_key public_key{};
  crypto_sign_ed25519_sk_to_pk(public_key.data(), key.data());
  return public_key;
}
