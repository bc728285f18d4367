#ifndef _WIN32
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "dev_processes.h"

namespace fs = std::filesystem;

struct dev_process_state {
  pid_t pid = -1;
  bool group = false;  // the process leads a group of its own
  int output = -1;
  bool done = false;
  int status = 0;
};

namespace {

volatile sig_atomic_t heard = 0;

void note(int signal) { heard = 128 + signal; }

bool failed(std::string& problem, const std::string& what) {
  problem = what + ": " + std::strerror(errno);
  return false;
}

}  // namespace

dev_process::dev_process() : state_(new dev_process_state) {}

dev_process::~dev_process() {
  stop();
  if (state_->output >= 0) close(state_->output);
}

bool dev_process::running() const { return state_->pid > 0 && !state_->done; }

bool dev_process::start_command(const std::string& command, const fs::path& folder, std::string& problem) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return failed(problem, "no pipe for the dev command");
  pid_t pid = fork();
  if (pid < 0) return failed(problem, "cannot start the dev command");
  if (pid == 0) {
    // A group of its own, so that ending it ends whatever it started
    // (npx, then node, then esbuild): nothing is left running.
    setpgid(0, 0);
    dup2(pipe_ends[1], 1);
    dup2(pipe_ends[1], 2);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    execl("/bin/sh", "sh", "-c", command.c_str(), (char*)nullptr);
    _exit(127);
  }
  setpgid(pid, pid);
  close(pipe_ends[1]);
  fcntl(pipe_ends[0], F_SETFL, O_NONBLOCK);
  state_->pid = pid;
  state_->group = true;
  state_->output = pipe_ends[0];
  return true;
}

bool dev_process::start_program(const fs::path& program, std::string& problem) {
  pid_t pid = fork();
  if (pid < 0) return failed(problem, "cannot start " + program.string());
  if (pid == 0) {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    execl(program.c_str(), program.c_str(), (char*)nullptr);
    _exit(127);
  }
  state_->pid = pid;
  return true;
}

std::string dev_process::take_output() {
  std::string text;
  char buffer[4096];
  while (state_->output >= 0) {
    ssize_t count = read(state_->output, buffer, sizeof buffer);
    if (count <= 0) break;
    text.append(buffer, (size_t)count);
  }
  return text;
}

bool dev_process::ended(int& status) {
  if (state_->pid <= 0) return false;
  if (!state_->done) {
    int raw = 0;
    if (waitpid(state_->pid, &raw, WNOHANG) != state_->pid) return false;
    state_->done = true;
    state_->status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  }
  status = state_->status;
  return true;
}

void dev_process::stop() {
  if (state_->pid <= 0) return;
  pid_t target = state_->group ? -state_->pid : state_->pid;
  // The group outlives its first process: what it started is ended too.
  if (kill(target, SIGTERM) != 0 && !running()) return;
  int status;
  for (int waited = 0; waited < 3000; waited += 50) {
    ended(status);
    if (state_->done && (!state_->group || kill(target, 0) != 0)) return;
    sleep_ms(50);
  }
  kill(target, SIGKILL);
  if (!state_->done) waitpid(state_->pid, nullptr, 0), state_->done = true;
}

void hear_interruptions() {
  struct sigaction action {};
  action.sa_handler = note;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int interruption_status() { return heard; }

bool dev_server_answers(const std::string& url) {
  auto [authority, host, port] = authority_of(url);
  addrinfo hints{}, *found = nullptr;
  hints.ai_socktype = SOCK_STREAM;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return false;
  bool answers = false;
  for (addrinfo* at = found; at && !answers; at = at->ai_next) {
    int socket_fd = socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol);
    if (socket_fd < 0) continue;
    // Any HTTP answer at all: the server is up, whatever it says of "/".
    if (connect(socket_fd, at->ai_addr, at->ai_addrlen) == 0) {
      std::string request = "HEAD / HTTP/1.0\r\nHost: " + authority + "\r\n\r\n";
      if (url.starts_with("https")) answers = true;  // the handshake is the client's: an open port will do
      else if (send(socket_fd, request.data(), request.size(), MSG_NOSIGNAL) == (ssize_t)request.size()) {
        pollfd ready{socket_fd, POLLIN, 0};
        char head[5] = {};
        answers = poll(&ready, 1, 2000) == 1 && recv(socket_fd, head, 5, 0) == 5 && std::memcmp(head, "HTTP/", 5) == 0;
      }
    }
    close(socket_fd);
  }
  freeaddrinfo(found);
  return answers;
}

bool make_private_folder(fs::path& folder, std::string& problem) {
  std::string pattern = (fs::temp_directory_path() / "wapp-dev-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return failed(problem, "no temporary folder for the dev program");
  folder = pattern;
  return true;
}

void sleep_ms(int milliseconds) { usleep((useconds_t)milliseconds * 1000); }
#endif
