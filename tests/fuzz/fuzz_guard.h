#pragma once
// What keeps an input that went wrong: a watchdog that gives every input a
// time limit, an unhandled-exception filter (and abort()), and the findings
// folder where either saves the input before ending the process with a code
// of its own.
// A campaign may also have each input written to a file before it runs, so
// that even a death nothing could catch leaves the input behind.
#include <windows.h>

#include <cstdint>
#include <string>

#include "fuzz/fuzz_mutate.h"

// Exit codes of a run that ended on a finding.
constexpr int fuzz_exit_hang = 86;
constexpr int fuzz_exit_crash = 87;
constexpr int fuzz_exit_outside = 88;   // wrote outside the scratch folder
constexpr int fuzz_exit_leftover = 89;  // left something of the run behind
constexpr int fuzz_exit_corrupt = 90;   // a heap failed validation
constexpr int fuzz_exit_disagree = 91;  // two readers of the same bytes see different things

struct fuzz_guard_options {
  std::wstring findings;       // folder for findings; made when needed
  std::wstring current_input;  // empty: inputs are not written before they run
  DWORD limit_ms;
  uint64_t seed;
};

void start_fuzz_guard(const fuzz_guard_options& options);
void begin_fuzz_input(uint64_t index, const fuzz_input& input);
void end_fuzz_input();
// Saves the current input as "<kind>-seed<seed>-input<index>.bin" with a
// note beside it, and ends the process with the exit code.
[[noreturn]] void report_fuzz_finding(const char* kind, const std::string& detail, int exit_code);
