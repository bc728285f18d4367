// Linked with launcher.exe's own entry point into launcher_with_taskbar: the
// work area is set before the launcher's run begins. Wine keeps the work area
// per process and has no taskbar of its own, so no other program is touched.
#include "end_to_end_helpers/taskbar.h"

namespace {
struct docked_bars {
  docked_bars() {
    // launcher.exe declares DPI awareness in its manifest, which this
    // program lacks; the screen's metrics are device pixels only after this.
    SetProcessDPIAware();
    RECT work = taskbar_work_area();
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
  }
} bars;
}  // namespace
