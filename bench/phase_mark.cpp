// The phase marks of the benchmark's launcher: each is a line
// "phase <name>" in the fake runtime's log, on the clock of its other lines.
#include "fakes/fake_webview2.h"
#include "launcher/phase_marks.h"

void phase_mark(const char* phase) { append_fake_log_line("phase", phase); }
