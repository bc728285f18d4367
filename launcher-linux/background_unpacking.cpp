#include "launcher-linux/background_unpacking.h"

#include <atomic>
#include <system_error>
#include <thread>

#include <glib.h>

namespace {

std::thread worker;
std::atomic<bool> stopping{false};
void (*when_done)(unpack_outcome);

struct finished {
  unpack_outcome outcome;
};

bool stop_asked() { return stopping.load(); }

// On the main loop's thread: the worker has ended, or is about to.
gboolean report(gpointer data) {
  unpack_outcome outcome = ((finished*)data)->outcome;
  delete (finished*)data;
  if (worker.joinable()) worker.join();
  if (!stopping.load() && when_done) when_done(outcome);
  return G_SOURCE_REMOVE;
}

}  // namespace

bool start_background_unpacking(std::string_view archive, int folder, void (*done)(unpack_outcome outcome)) {
  stopping = false;
  when_done = done;
  try {
    worker = std::thread([archive, folder] {
      unpack_outcome outcome = unpack_archive(archive, folder, stop_asked);
      g_idle_add(report, new finished{outcome});
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void stop_background_unpacking() {
  stopping = true;
  if (worker.joinable()) worker.join();
}
