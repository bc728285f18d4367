#pragma once
// Marks between the steps of the launcher's run. The start-up benchmark
// (bench/launcher-startup) builds the launcher a second time with
// WAPP_PHASE_MARKS defined and a phase_mark of its own that notes the
// moment, to say where the time of a start goes; in the product a mark is
// nothing at all.
#ifdef WAPP_PHASE_MARKS
void phase_mark(const char* phase);
#else
inline void phase_mark(const char*) {}
#endif
