#pragma once
// SIGTERM, SIGINT and SIGHUP end the run as the close button does: the
// folder goes whenever they come. Until a folder is claimed they end the
// program at once, as it has nothing to clean up; from the claim on until
// the main loop can take them, they only mark the run as asked to end, which
// the unpacking looks at between blocks of data; then the main loop takes
// them and quits.
#include <gtk/gtk.h>

// From the claim on: each of the signals marks the run.
void mark_ending_signals();

// Whether one of the signals has come since they were marked.
bool ending_asked();

// Hands the signals to the main loop, which quits when one comes; true when
// one came before, and the run should end without a loop.
bool quit_main_loop_on_ending_signals();

// Has the main loop also run work when one of the signals comes, from then
// on (after quit_main_loop_on_ending_signals).
void on_ending_signals(GSourceFunc work, gpointer data);
