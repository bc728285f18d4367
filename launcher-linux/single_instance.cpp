#include "launcher-linux/single_instance.h"

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <glib-unix.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "launcher-common/path_hash.h"

namespace {

constexpr char lock_name[] = "lock";
constexpr char socket_name[] = "socket";
constexpr char came_to_front = '1';
constexpr int poll_ms = 50;

// The socket's address through the folder's descriptor: short whatever the
// base folder's path, and always the folder that was checked.
bool socket_address(int folder, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  std::string path = "/proc/self/fd/" + std::to_string(folder) + "/" + socket_name;
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  return true;
}

// Names tried after the first, when a folder of the name is not ours.
constexpr int other_names = 4;

// The program's folder, made when missing; none unless it is a folder (not
// a link) of this user that no one else may enter.
descriptor open_instance_folder(const std::string& base, const std::string& name, instance_claim& claim) {
  descriptor parent(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!parent) return {};
  bool made = mkdirat(parent.value, name.c_str(), 0700) == 0;
  descriptor folder = open_folder_at(parent.value, name.c_str());
  struct stat about;
  if (!folder || fstat(folder.value, &about) != 0 || about.st_uid != geteuid() || (about.st_mode & 077) != 0)
    return {};
  if (made) claim.parent = std::move(parent), claim.made_name = name;
  return folder;
}

// Listens in place of whatever a copy that is gone left there.
descriptor listen_in(int folder) {
  sockaddr_un address;
  if (!socket_address(folder, address)) return {};
  unlinkat(folder, socket_name, 0);
  descriptor listener(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener || bind(listener.value, (sockaddr*)&address, sizeof address) != 0 || listen(listener.value, 8) != 0)
    return {};
  return listener;
}

// Whether the running copy answered that it came to the front; false when
// none listens, or it ended before it answered.
bool ask_running_copy(int folder, int patience_ms) {
  sockaddr_un address;
  if (!socket_address(folder, address)) return false;
  descriptor asking(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!asking || connect(asking.value, (sockaddr*)&address, sizeof address) != 0) return false;
  pollfd answer = {asking.value, POLLIN, 0};
  char byte = 0;
  return poll(&answer, 1, patience_ms) == 1 && read(asking.value, &byte, 1) == 1 && byte == came_to_front;
}

gboolean answer_one(gint listener, GIOCondition, gpointer window) {
  descriptor peer(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!peer) return G_SOURCE_CONTINUE;
  ucred credentials = {};
  socklen_t length = sizeof credentials;
  if (getsockopt(peer.value, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || credentials.uid != geteuid())
    return G_SOURCE_CONTINUE;
  // Window managers show a minimized window again that asks to be
  // presented; for those that do not, it asks to be shown first.
  GdkWindow* shown = gtk_widget_get_window(GTK_WIDGET(window));
  if (shown && (gdk_window_get_state(shown) & GDK_WINDOW_STATE_ICONIFIED)) gtk_window_deiconify(GTK_WINDOW(window));
  gtk_window_present(GTK_WINDOW(window));
  send(peer.value, &came_to_front, 1, MSG_NOSIGNAL);
  return G_SOURCE_CONTINUE;
}

void stop_answering(instance_claim* claim) {
  if (claim->watch) g_source_remove(claim->watch);
  claim->watch = 0;
}

}  // namespace

std::string instance_folder_name(const std::string& program_path) {
  char digits[17];
  path_hash_digits(path_hash(program_path.data(), program_path.size()), digits);
  return "wapp-instance-" + std::to_string(geteuid()) + "-" + digits;
}

bool claim_single_instance(const std::string& base, const std::string& program_path, instance_claim& claim) {
  claim = {};
  const std::string name = instance_folder_name(program_path);
  descriptor folder;
  for (int i = 0; i <= other_names && !folder; i++)
    folder = open_instance_folder(base, i ? name + "-" + std::to_string(i) : name, claim);
  if (!folder) {
    fprintf(stderr, "%s: the folders for SingleInstance in %s are another user's: this copy runs on its own\n",
            g_get_prgname() ? g_get_prgname() : "launcher", base.c_str());
    return true;
  }
  descriptor lock(openat(folder.value, lock_name, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!lock) return true;
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (flock(lock.value, LOCK_EX | LOCK_NB) == 0) {
      claim.listener = listen_in(folder.value);
      claim.lock = std::move(lock);
      claim.folder = std::move(folder);
      return true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return true;
    auto elapsed = std::chrono::steady_clock::now() - start;
    int waited = (int)std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    if (waited >= instance_answer_patience_ms) return true;
    // The running copy may still be starting: it answers from its main loop.
    if (ask_running_copy(folder.value, instance_answer_patience_ms - waited)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
  }
}

void answer_later_starts(instance_claim& claim, GtkWindow* window) {
  if (!claim.listener) return;
  claim.watch = g_unix_fd_add(claim.listener.value, G_IO_IN, answer_one, window);
  // Not one request more once the window is gone.
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(stop_answering), &claim);
}

// The socket goes while the lock is still held: once the lock is free, a
// later start may listen there anew.
void release_single_instance(instance_claim& claim) {
  stop_answering(&claim);
  if (claim.listener) unlinkat(claim.folder.value, socket_name, 0);
  claim = {};
}

void abandon_single_instance(instance_claim& claim) {
  if (claim.folder && !claim.made_name.empty()) {
    unlinkat(claim.folder.value, socket_name, 0);
    unlinkat(claim.folder.value, lock_name, 0);
    unlinkat(claim.parent.value, claim.made_name.c_str(), AT_REMOVEDIR);
  }
  release_single_instance(claim);
}
