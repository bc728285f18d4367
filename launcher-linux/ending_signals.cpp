#include "launcher-linux/ending_signals.h"

#include <csignal>

#include <glib-unix.h>

namespace {

constexpr int ending_signals[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t asked = 0;

void mark(int) { asked = 1; }

gboolean quit_on_signal(gpointer) {
  gtk_main_quit();
  return G_SOURCE_CONTINUE;
}

}  // namespace

void mark_ending_signals() {
  struct sigaction marking = {};
  marking.sa_handler = mark;
  marking.sa_flags = SA_RESTART;
  sigemptyset(&marking.sa_mask);
  for (int ending : ending_signals) sigaction(ending, &marking, nullptr);
}

bool ending_asked() { return asked != 0; }

void on_ending_signals(GSourceFunc work, gpointer data) {
  for (int ending : ending_signals) g_unix_signal_add(ending, work, data);
}

bool quit_main_loop_on_ending_signals() {
  // The loop's handlers take over from the marks first, so that a signal
  // that comes meanwhile is either marked or goes to the loop.
  for (int ending : ending_signals) g_unix_signal_add(ending, quit_on_signal, nullptr);
  return ending_asked();
}
