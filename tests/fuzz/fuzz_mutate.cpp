#include "fuzz/fuzz_mutate.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr size_t largest_input = 1 << 20;
// The few large seeds cost a hundred times more to unpack than the others.
constexpr size_t large_seed = 100000;
constexpr uint64_t large_seed_odds = 8;

// What parsers trip over: structure, escapes, numbers past every range and
// the zip signatures.
const char* const tokens[] = {"{", "}", "[", "]", "\"", ":", ",", "\\", "\\u", "\\ud800", "\\u0000",
                              "null", "true", "-", "1e999999", "99999999999999999999", "0.", "\r\n", "\xEF\xBB\xBF",
                              "\xC3", "\xF4\x90\x80\x80", "PK\x03\x04", "PK\x01\x02", "PK\x05\x06", "PK\x07\x08",
                              "PK\x06\x06", "PK\x06\x07", "WAPP", "MZ", "../", "/", "\\", "CON", ":"};

size_t position(fuzz_random& random, const std::string& bytes, bool end_too = true) {
  return random.below(bytes.size() + (end_too ? 1 : 0));
}

uint64_t interesting_value(fuzz_random& random, const byte_field& field, const std::string& bytes, std::string& story) {
  uint64_t all_ones = field.width == 8 ? ~0ull : (1ull << (8 * field.width)) - 1;
  uint64_t old = field_value(bytes, field);
  switch (random.below(8)) {
    case 0: story += "=0"; return 0;
    case 1: story += "=-1"; return all_ones;
    case 2: story += "=INT32_MAX"; return std::min<uint64_t>(0x7FFFFFFF, all_ones >> 1);
    case 3: story += "=size+1"; return bytes.size() + 1;
    case 4: story += "=size-1"; return bytes.size() - 1;
    case 5: story += "+1"; return old + 1;
    case 6: story += "-1"; return old - 1;
  }
  story += "=random";
  return random.next();
}

void set_a_field(fuzz_random& random, const fuzz_seed& seed, std::string& bytes, std::string& story) {
  if (seed.fields.empty()) return;
  const byte_field& field = seed.fields[random.below(seed.fields.size())];
  story += " field@" + std::to_string(field.offset) + "/" + std::to_string(field.width);
  if (field.kind != field_kind::name) return set_field(bytes, field, interesting_value(random, field, bytes, story));
  // One character of an entry name: what Windows, the launcher's name rules
  // or the UTF-8 test treat specially.
  const char characters[] = "/\\.:  *?<>|\"~$\0\x01\x7F\x80\xC3\xE2\xFF";
  size_t at = field.offset + random.below(field.width);
  bytes[at] = characters[random.below(sizeof characters - 1)];
  story += " name@" + std::to_string(at);
}

void mutate_once(fuzz_random& random, const std::vector<fuzz_seed>& seeds, std::string& bytes, std::string& story) {
  size_t at = position(random, bytes);
  switch (random.below(10)) {
    case 0:
      if (bytes.empty()) return;
      at = position(random, bytes, false);
      bytes[at] ^= (char)(1 << random.below(8));
      story += " flip@" + std::to_string(at);
      return;
    case 1: {
      if (bytes.empty()) return;
      at = position(random, bytes, false);
      const char values[] = {0, '\xFF', '\x7F', '\x80', (char)random.next()};
      bytes[at] = values[random.below(sizeof values)];
      story += " set@" + std::to_string(at);
      return;
    }
    case 2: {
      std::string inserted(1 + random.below(random.one_in(8) ? 4096 : 16), (char)random.next());
      if (random.one_in(2))
        for (char& byte : inserted) byte = (char)random.next();
      bytes.insert(at, inserted);
      story += " insert@" + std::to_string(at) + "+" + std::to_string(inserted.size());
      return;
    }
    case 3: {
      size_t count = std::min(bytes.size() - at, (size_t)(1 + random.below(random.one_in(8) ? 8192 : 64)));
      bytes.erase(at, count);
      story += " delete@" + std::to_string(at) + "-" + std::to_string(count);
      return;
    }
    case 4:
      bytes.resize(random.one_in(2) ? at : bytes.size() - std::min(bytes.size(), (size_t)random.below(17)));
      story += " cut@" + std::to_string(bytes.size());
      return;
    case 5: {
      const char* token = tokens[random.below(sizeof tokens / sizeof tokens[0])];
      std::string inserted;
      for (uint64_t n = random.one_in(16) ? 600 : 1; n > 0; n--) inserted += token;
      bytes.insert(at, inserted);
      story += " token@" + std::to_string(at);
      return;
    }
    case 6: {
      // A stretch of the input repeated right after itself.
      size_t count = std::min(bytes.size() - at, (size_t)(1 + random.below(512)));
      bytes.insert(at + count, bytes.substr(at, count));
      story += " repeat@" + std::to_string(at) + "+" + std::to_string(count);
      return;
    }
    case 7: {
      const fuzz_seed& other = seeds[random.below(seeds.size())];
      size_t from = position(random, other.bytes);
      if (random.one_in(2)) {
        bytes = bytes.substr(0, at) + other.bytes.substr(from);
        story += " splice@" + std::to_string(at) + " " + other.name + "@" + std::to_string(from);
      } else {
        bytes.insert(at, other.bytes.substr(from, 1 + random.below(2048)));
        story += " graft@" + std::to_string(at) + " " + other.name + "@" + std::to_string(from);
      }
      return;
    }
    default: {
      // A number anywhere: in layouts the seed's fields do not describe, or
      // after an insertion has moved them.
      if (bytes.size() < 2) return;
      byte_field word{position(random, bytes, false), bytes.size() >= 4 && random.one_in(2) ? 4 : 2};
      if (word.offset + word.width > bytes.size()) word.offset = bytes.size() - word.width;
      story += " word@" + std::to_string(word.offset);
      set_field(bytes, word, interesting_value(random, word, bytes, story));
      return;
    }
  }
}

}  // namespace

fuzz_input mutate(const std::vector<fuzz_seed>& seeds, fuzz_random& random) {
  const fuzz_seed* seed = &seeds[random.below(seeds.size())];
  while (seed->bytes.size() > large_seed && !random.one_in(large_seed_odds)) seed = &seeds[random.below(seeds.size())];
  fuzz_input input{seed->bytes, seed->name};
  // Field offsets hold only while nothing has moved, so fields come first.
  uint64_t fields = seed->fields.empty() ? 0 : random.below(3);
  for (uint64_t n = fields; n > 0; n--) set_a_field(random, *seed, input.bytes, input.story);
  for (uint64_t n = (fields ? 0 : 1) + (random.one_in(3) ? random.below(4) : 0); n > 0; n--)
    mutate_once(random, seeds, input.bytes, input.story);
  if (input.bytes.size() > largest_input) input.bytes.resize(largest_input);
  return input;
}
