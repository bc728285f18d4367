#include "runtime/other/drawing.h"

#include "runtime/core/registry.h"

drawing_state_record* drawing_state;

void drawing_library_start() {
  drawing_state = static_cast<drawing_state_record*>(new_library_state(sizeof(drawing_state_record), nullptr));
}
