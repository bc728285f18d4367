// Ctrl+C and SIGTERM in the middle of a real pack of a large folder: the
// packer ends by the signal, and neither its temporary file nor an output
// is left.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "packer_test_support.h"

extern char** environ;

namespace {

class Interruption : public packer_test {};

TEST_F(Interruption, ASignalMidPackLeavesNothing) {
  fs::path app = make_big_app("big");
  for (int number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(strsignal(number));
    fs::path exe = dir / "big.exe";
    std::vector<std::string> args = {WAPP_NATIVE_PACKER, u(app), "-o", u(exe), "--launcher", u(launcher), "--level", "9"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Interrupted once its temporary file holds some of the archive.
    fs::path temporary = dir / (".big.exe.wapp-pack-" + std::to_string(pid) + ".tmp");
    std::error_code error;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (fs::file_size(temporary, error) < (1 << 20) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(fs::file_size(temporary, error), 1u << 20) << "the pack ended before it could be interrupted";
    kill(pid, number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << status;
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(fs::exists(exe));
  }
}

}  // namespace
