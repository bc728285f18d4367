#pragma once
// Starts, once for a test program, what windows, events and gadgets stand on.
// Include it in exactly one test source of the program.
#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"

class gui_runtime_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    // The launcher's manifest declares DPI awareness; a test program has
    // no manifest, so it says so itself before the scale is measured.
    SetProcessDPIAware();
    runtime_globals_start();
    string_library_start();
    memory_library_start();
    display_scale_start();
    event_library_start();
    window_library_start();
    gadget_library_start();
  }
};

inline ::testing::Environment* const gui_runtime = ::testing::AddGlobalTestEnvironment(new gui_runtime_environment);
