#pragma once
// The fuzzer's own random numbers: splitmix64, so that a seed gives the same
// inputs on every machine and with every C library.
#include <cstdint>

struct fuzz_random {
  uint64_t state;

  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 to n - 1; 0 when n is 0.
  uint64_t below(uint64_t n) { return n ? next() % n : 0; }
  bool one_in(uint64_t n) { return below(n) == 0; }
};

// Every input has numbers of its own, so one input of a run can be made
// again without making the ones before it.
inline fuzz_random random_for_input(uint64_t seed, uint64_t index) {
  fuzz_random mix{seed ^ (index * 0xD1B54A32D192ED03ull)};
  return fuzz_random{mix.next()};
}
