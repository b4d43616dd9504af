#include "tests/testing/TempDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/Error.h"

namespace polyverb::testing {

TempDir::TempDir(bool enter) {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/polyverb-test-XXXXXX";
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
  if (enter) {
    previous_cwd_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!previous_cwd_.empty()) std::filesystem::current_path(previous_cwd_, ec);
  std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read test file " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void FailingWriter::WriteAll(int fd, std::string_view data) {
  std::size_t allowed = std::min(data.size(), budget_ - std::min(budget_, written_));
  if (allowed > 0 && ::write(fd, data.data(), allowed) != static_cast<ssize_t>(allowed))
    throw StreamWriteError({}, SystemReason(errno));
  written_ += allowed;
  if (allowed < data.size()) throw StreamWriteError({}, SystemReason(ENOSPC));
}

LockHolder::LockHolder(const std::string& path, bool shared) {
  int locked[2], release[2];
  if (::pipe(locked) != 0 || ::pipe(release) != 0) throw std::runtime_error("pipe failed");
  child_ = ::fork();
  if (child_ == 0) {
    ::close(locked[0]);
    ::close(release[1]);  // else the read below never sees the parent's end close
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
    char ok = (fd >= 0 && ::flock(fd, shared ? LOCK_SH : LOCK_EX) == 0) ? 'y' : 'n';
    (void)!::write(locked[1], &ok, 1);
    char c;
    (void)!::read(release[0], &c, 1);  // returns when the parent closes its end
    ::_exit(0);
  }
  ::close(locked[1]);
  ::close(release[0]);
  release_fd_ = release[1];
  char ok = 'n';
  (void)!::read(locked[0], &ok, 1);
  ::close(locked[0]);
  if (ok != 'y') throw std::runtime_error("the helper process could not lock " + path);
}

LockHolder::~LockHolder() {
  ::close(release_fd_);
  int status;
  ::waitpid(child_, &status, 0);
}

int RunInChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

bool RunningAsRoot() {
  return ::geteuid() == 0;
}

}  // namespace polyverb::testing
