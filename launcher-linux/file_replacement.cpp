#include "launcher-linux/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "launcher-linux/folder_tree.h"

namespace {

std::string problem_of(int error) { return std::strerror(error); }

bool write_all(int file, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) {
    ssize_t put = write(file, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += (size_t)put;
  }
  return true;
}

}  // namespace

bool read_file_at_most(const std::string& path, size_t most, file_owner owner, std::string& bytes,
                       std::string& problem) {
  // Opened without waiting, so that a FIFO at the name cannot hold the
  // launcher; then refused for not being a file.
  int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (owner == file_owner::launcher ? O_NOFOLLOW : 0);
  descriptor file(open(path.c_str(), flags));
  if (!file) return problem = problem_of(errno), false;
  struct stat facts;
  if (fstat(file.value, &facts) != 0) return problem = problem_of(errno), false;
  if (!S_ISREG(facts.st_mode)) return problem = "not a regular file", false;
  bytes.clear();
  char block[65536];
  while (bytes.size() <= most) {
    ssize_t got = read(file.value, block, std::min(sizeof block, most + 1 - bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return problem = problem_of(errno), false;
    if (got == 0) break;
    bytes.append(block, (size_t)got);
  }
  return true;
}

bool replace_file(const std::string& path, std::string_view bytes, file_owner owner, std::string& problem) {
  std::string target = path;
  char resolved[PATH_MAX];
  if (owner == file_owner::user && realpath(path.c_str(), resolved)) target = resolved;
  struct stat facts;
  mode_t mode = 0600;
  if (owner == file_owner::launcher) {
    // Whatever stands at our own name is replaced, never written through.
  } else if (stat(target.c_str(), &facts) == 0) {
    if (access(target.c_str(), W_OK) != 0) return problem = problem_of(errno), false;
    mode = facts.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  // mkostemp creates the name exclusively: nothing planted there is opened.
  std::string temporary = target.substr(0, target.rfind('/') + 1) + ".wapp-saving-XXXXXX";
  int file = mkostemp(temporary.data(), O_CLOEXEC);
  if (file < 0) return problem = problem_of(errno), false;
  bool written = fchmod(file, mode) == 0 && write_all(file, bytes) && fsync(file) == 0;
  int error = errno;
  if (close(file) != 0 && written) written = false, error = errno;
  if (written && rename(temporary.c_str(), target.c_str()) != 0) written = false, error = errno;
  if (written) return true;
  unlink(temporary.c_str());
  problem = problem_of(error);
  return false;
}
