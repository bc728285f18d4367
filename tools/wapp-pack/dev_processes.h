#pragma once
// What wapp-pack dev needs of the system: processes it starts and ends
// whole (the dev command in a process group of its own on Linux, a job
// object on Windows, its output read through a pipe), the user's Ctrl+C
// and SIGTERM heard rather than obeyed at once, and whether the dev server
// answers. One file per system gives them.
#include <filesystem>
#include <memory>
#include <string>

struct dev_process_state;

class dev_process {
 public:
  dev_process();
  ~dev_process();  // stops whatever still runs
  // The command through the system's shell, in folder, its output and
  // errors into one pipe.
  bool start_command(const std::string& command, const std::filesystem::path& folder, std::string& problem);
  // The program, its output the terminal's.
  bool start_program(const std::filesystem::path& program, std::string& problem);
  // What it wrote since the last call, without waiting.
  std::string take_output();
  // Whether it has ended, and how: its exit status, or 128 + the signal.
  bool ended(int& status);
  // Asks it and everything it started to end (SIGTERM; a job's end on
  // Windows), then ends what is left after a grace period.
  void stop();
  bool running() const;

 private:
  std::unique_ptr<dev_process_state> state_;
};

// From now on Ctrl+C, SIGTERM and SIGHUP (on Windows the console's Ctrl+C,
// Ctrl+Break and closing) are only noted: the exit status they call for
// (130, 143, 129), or 0 while none came.
void hear_interruptions();
int interruption_status();

// Whether an HTTP server answers at the address's host and port, on any
// address the host name resolves to (localhost: 127.0.0.1 and ::1).
bool dev_server_answers(const std::string& url);
// The address's host[:port] as written, its host (without an IPv6 one's
// brackets) and its port (the scheme's when none is written).
struct url_authority {
  std::string authority, host, port;
};
url_authority authority_of(const std::string& url);

// A private temporary folder (0700), and its removal with what it holds.
bool make_private_folder(std::filesystem::path& folder, std::string& problem);

void sleep_ms(int milliseconds);
