#pragma once
// The runtime libraries the launcher reads its payload with: files, JSON
// documents, and packs with the zip plugin listed. The core runtime
// (runtime_environment.h) must be started first.
#include "runtime/core/files.h"
#include "runtime/json/json.h"
#include "runtime/pack/pack.h"

inline void start_launcher_readers() {
  file_library_start();
  json_library_start();
  pack_library_start();
  enable_zip_packer();
}

inline void stop_launcher_readers() {
  pack_library_stop();
  json_library_stop();
  file_library_stop();
}
