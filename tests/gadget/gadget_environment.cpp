// Starts, once for the program, the runtime libraries that gadgets stand on.
#include "runtime/core/memory.h"
#include "runtime/core/strings.h"
#include "runtime/window/display_scale.h"
#include "test_gadgets.h"

namespace {
class gadget_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    runtime_globals_start();
    string_library_start();
    memory_library_start();
    display_scale_start();
    event_library_start();
    window_library_start();
    gadget_library_start();
  }
};
::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new gadget_environment);
}  // namespace
