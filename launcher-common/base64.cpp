#include "launcher-common/base64.h"

#include <cstdint>

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The letter's value, or -1 for a character outside the alphabet.
int value_of(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string base64_encoded(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t left = bytes.size() - i;
    uint32_t group = (uint32_t)(uint8_t)bytes[i] << 16;
    if (left > 1) group |= (uint32_t)(uint8_t)bytes[i + 1] << 8;
    if (left > 2) group |= (uint8_t)bytes[i + 2];
    text += alphabet[group >> 18 & 63];
    text += alphabet[group >> 12 & 63];
    text += left > 1 ? alphabet[group >> 6 & 63] : '=';
    text += left > 2 ? alphabet[group & 63] : '=';
  }
  return text;
}

bool base64_decoded(std::string_view text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4) return false;
  bytes.reserve(base64_decoded_size_at_most(text.size()));
  for (size_t i = 0; i < text.size(); i += 4) {
    bool last = i + 4 == text.size();
    int padding = last && text[i + 3] == '=' ? (text[i + 2] == '=' ? 2 : 1) : 0;
    uint32_t group = 0;
    for (int j = 0; j < 4; j++) {
      int value = j >= 4 - padding ? 0 : value_of(text[i + j]);
      if (value < 0) return false;
      group = group << 6 | (uint32_t)value;
    }
    // The bits a padded group leaves over are zero in the one text that
    // encodes these bytes.
    if ((padding == 1 && (group & 0xFF)) || (padding == 2 && (group & 0xFFFF))) return false;
    bytes += (char)(group >> 16);
    if (padding < 2) bytes += (char)(group >> 8 & 0xFF);
    if (padding < 1) bytes += (char)(group & 0xFF);
  }
  return true;
}
