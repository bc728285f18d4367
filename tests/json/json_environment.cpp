#include "support/runtime_environment.h"

#include "runtime/json/json.h"

namespace {

class json_environment : public ::testing::Environment {
 public:
  void SetUp() override { json_library_start(); }
  void TearDown() override { json_library_stop(); }
};

::testing::Environment* const json_library = ::testing::AddGlobalTestEnvironment(new json_environment);

}  // namespace
