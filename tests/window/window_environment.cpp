// Starts, once for the whole program, what windows and events stand on.
#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/gadget/gadget.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"

namespace {
class window_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    // The launcher's manifest declares DPI awareness; the test program has
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

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new window_environment);
}  // namespace
