// Shared test helpers: a temporary directory per test, byte-level file access, a writer
// that fails part-way, and a second process that holds a file lock.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/Files.h"

namespace polyverb::testing {

// A fresh directory under $TMPDIR (or /tmp), removed with its content on destruction.
// With `enter` the process works inside it until destruction (language files land in the
// current directory).
class TempDir {
 public:
  explicit TempDir(bool enter = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
  std::string previous_cwd_;
};

void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Names in `dir` (no "." or ".."), sorted.
std::vector<std::string> ListDirectory(const std::string& dir);

// Fails like a full disk once `budget` bytes have been written in total.
class FailingWriter : public FileWriter {
 public:
  explicit FailingWriter(std::size_t budget) : budget_(budget) {}
  void WriteAll(int fd, std::string_view data) override;
  std::size_t written() const { return written_; }

 private:
  std::size_t budget_;
  std::size_t written_ = 0;
};

// A child process that holds a flock on `path` until this object goes away: exclusive as a
// writer holds it, or shared as a reader does.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path, bool shared = false);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

 private:
  pid_t child_ = -1;
  int release_fd_ = -1;
};

// Runs `body` in a forked child and returns its exit status (128 + signal when killed).
int RunInChild(const std::function<int()>& body);

bool RunningAsRoot();

}  // namespace polyverb::testing
