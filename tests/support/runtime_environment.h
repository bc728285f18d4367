#pragma once
// Starts the runtime's heaps once per test program, before any test runs.
#include <gtest/gtest.h>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"

class core_runtime_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    runtime_globals_start();
    string_library_start();
    memory_library_start();
  }
};

inline ::testing::Environment* const core_runtime = ::testing::AddGlobalTestEnvironment(new core_runtime_environment);
