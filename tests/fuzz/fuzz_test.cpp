// The mutation fuzzer: thousands of damaged settings documents, archives and
// launcher files through every reader the launcher has, with no crash, no
// hang, nothing written outside the scratch folder and nothing left in it.
//
// Environment variables (all optional):
//   WAPP_FUZZ_SEED      the campaign's seed (default 20261208)
//   WAPP_FUZZ_COUNT     how many inputs it tries (default 2000)
//   WAPP_FUZZ_FIRST     the index of its first input (default 0); with the
//                       seed and a count of 1 it makes one input of a run again
//   WAPP_FUZZ_LIMIT_MS  time one input may take before it counts as a hang
//                       (default 10000)
//   WAPP_FUZZ_FINDINGS  folder for the inputs that crashed, hung, wrote
//                       outside the scratch folder, left something behind,
//                       damaged a heap or were read in two ways
//                       (default: fuzz-findings beside this program)
//   WAPP_FUZZ_CURRENT   a file every input is written to before it runs
// A finding ends the program with exit code 86 (hang), 87 (crash), 88
// (outside), 89 (leftover), 90 (a heap fails validation: a write past a
// block or into a freed one) or 91 (the packer's --inspect reads the
// trailer otherwise than the launcher, or the pack reader walks an archive
// otherwise from memory than from a file). Every file in tests/fuzz/regressions/ is run
// through all the readers on every run. bench/fuzz runs long campaigns.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_drivers.h"
#include "fuzz/fuzz_guard.h"
#include "fuzz/fuzz_mutate.h"
#include "fuzz/fuzz_seeds.h"
#include "support/launcher_readers.h"
#include "support/runtime_environment.h"
#include "support/web_app_files.h"

namespace {

uint64_t number_option(const char* name, uint64_t otherwise) {
  const char* value = getenv(name);
  return value && *value ? strtoull(value, nullptr, 10) : otherwise;
}

std::wstring text_option(const wchar_t* name, const std::wstring& otherwise) {
  const wchar_t* value = _wgetenv(name);
  return value && *value ? value : otherwise;
}

class Fuzz : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { start_launcher_readers(); }
  static void TearDownTestSuite() { stop_launcher_readers(); }
  void SetUp() override {
    ASSERT_TRUE(workspace.set_up());
    seed = number_option("WAPP_FUZZ_SEED", 20261208);
    start_fuzz_guard({text_option(L"WAPP_FUZZ_FINDINGS", fs::path(WAPP_TEST_DIR "/fuzz-findings").wstring()),
                      text_option(L"WAPP_FUZZ_CURRENT", L""), (DWORD)number_option("WAPP_FUZZ_LIMIT_MS", 10000),
                      seed});
    seeds = make_fuzz_seeds(workspace.inputs());
  }
  void TearDown() override { workspace.tear_down(); }
  // A finding ends the program; the test only sees inputs that went well.
  void run(uint64_t index, const fuzz_input& input) {
    begin_fuzz_input(index, input);
    std::string problem = workspace.run(input.bytes, counts);
    for (auto [kind, code] : {std::pair{"outside: ", fuzz_exit_outside}, {"corrupt: ", fuzz_exit_corrupt},
                              {"leftover: ", fuzz_exit_leftover}, {"disagree: ", fuzz_exit_disagree}}) {
      std::string_view name(kind);
      if (problem.starts_with(name))
        report_fuzz_finding(std::string(name.substr(0, name.size() - 2)).c_str(), problem.substr(name.size()), code);
    }
    end_fuzz_input();
  }
  fuzz_workspace workspace;
  uint64_t seed = 0;
  std::vector<fuzz_seed> seeds;
  fuzz_counts counts = {};
};

TEST_F(Fuzz, SeedsAreSoundAndReachEveryReader) {
  for (const fuzz_seed& seed : seeds) run(0, {seed.bytes, seed.name});
  // The same bytes from a second making: the writer's times are fixed.
  std::vector<fuzz_seed> again = make_fuzz_seeds(workspace.inputs());
  ASSERT_EQ(again.size(), seeds.size());
  for (size_t i = 0; i < seeds.size(); i++) EXPECT_EQ(again[i].bytes, seeds[i].bytes) << seeds[i].name;
  EXPECT_GT(seeds[10].bytes.size(), 200000u) << "the real-sized app";
  EXPECT_EQ(counts.trailers, 6u);
  // Six settings seeds and five payloads' documents; the byte-order mark does not parse.
  EXPECT_EQ(counts.documents, 6u + 5u);
  // The four archives, the five payloads' archives, each from a file and
  // from memory, and the five whole payloads: the reader finds an archive's
  // end record even with the trailer's last fields after it.
  EXPECT_EQ(counts.packs, 2 * (4u + 5u + 5u));
  EXPECT_EQ(counts.folders, 4u + 5u + 5u);
  EXPECT_GT(counts.entries_written, 100u);
  // The index reads the archives themselves; a whole payload is no archive
  // to it, whose offsets count from the archive's first byte.
  EXPECT_GT(counts.served, 100u);
}

TEST_F(Fuzz, RegressionInputsGoThroughEveryReader) {
  std::error_code error;
  uint64_t index = 0;
  for (const auto& file : fs::directory_iterator(WAPP_FUZZ_REGRESSIONS, error)) {
    run(index++, {read_file(file.path()), file.path().filename().string()});
  }
  EXPECT_FALSE(error) << error.message();
  std::cout << "fuzz: " << index << " regression inputs\n";
}

TEST_F(Fuzz, MutatedSeedsCrashNothingHangNothingAndLeaveNothing) {
  const uint64_t first = number_option("WAPP_FUZZ_FIRST", 0), count = number_option("WAPP_FUZZ_COUNT", 2000);
  auto start = std::chrono::steady_clock::now();
  for (uint64_t index = first; index < first + count; index++) {
    fuzz_random random = random_for_input(seed, index);
    run(index, mutate(seeds, random));
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << "fuzz: seed " << seed << ", " << counts.inputs << " inputs in " << seconds << " s ("
            << counts.inputs / seconds << " per second); " << counts.trailers << " trailers, " << counts.documents
            << " documents parsed, " << counts.packs << " archives opened, " << counts.entries << " entries ("
            << counts.entries_written << " written), " << counts.folders << " folders unpacked, " << counts.served
            << " entries read through the index\n";
  // Most inputs must still get deep: damage that stops every reader at its
  // first byte would prove nothing.
  EXPECT_GT(counts.packs, count / 4);
  EXPECT_GT(counts.entries_written, count / 4);
}

}  // namespace
