#pragma once
// Damaged inputs made from the seeds: bits flipped, bytes set, inserted,
// deleted and repeated, the end cut off, the numbers a reader believes set
// to 0, -1, INT32_MAX, the file's size give or take one, and two seeds
// spliced together.
#include <string>
#include <vector>

#include "fuzz/fuzz_random.h"
#include "fuzz/fuzz_seeds.h"

struct fuzz_input {
  std::string bytes;
  std::string story;  // the seed and the mutations, for a finding's note
};

fuzz_input mutate(const std::vector<fuzz_seed>& seeds, fuzz_random& random);
