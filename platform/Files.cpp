#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <utility>

#include "platform/Error.h"

namespace polyverb {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds g_lock_wait = kDefaultLockWait;
std::function<void()> g_lock_retry_hook;

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = ::open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

// Closes a descriptor on every way out unless it was released.
class FdGuard {
 public:
  explicit FdGuard(int fd) : fd_(fd) {}
  ~FdGuard() { CloseQuietly(fd_); }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

class RealFileWriter : public FileWriter {
 public:
  void WriteAll(int fd, std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(fd, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw StreamWriteError({}, SystemReason(errno));
      if (n == 0) throw StreamWriteError({}, SystemReason(EIO));
      data.remove_prefix(static_cast<std::size_t>(n));
    }
  }
};

RealFileWriter g_real_writer;
FileWriter* g_writer = &g_real_writer;

bool SameInode(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why an open file is not one the system reads or replaces; empty for a regular file.
std::string NotRegularReason(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return {};
  if (S_ISDIR(st.st_mode)) return std::string(kDirectoryReason);
  if (S_ISFIFO(st.st_mode)) return "not a regular file (a FIFO)";
  if (S_ISSOCK(st.st_mode)) return "not a regular file (a socket)";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "not a regular file (a device)";
  return "not a regular file";
}

// Takes `operation` (LOCK_EX or LOCK_SH) on `fd`, waiting while another process holds a
// conflicting lock, until `deadline`. False with errno set on failure: EWOULDBLOCK when
// the file was still held at the deadline.
bool LockWaiting(int fd, int operation, Clock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, operation | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (g_lock_retry_hook) g_lock_retry_hook();
    const auto now = Clock::now();
    if (now >= deadline) {
      errno = EWOULDBLOCK;
      return false;
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

// Opens `target` (links already followed) with `flags` and takes `operation` on it, making
// sure the lock is on the file the name refers to when it is granted. With `create`, a
// missing file is created (never truncated: O_EXCL). -1 when there is no file and none is
// created; `fail(reason)` throws on any other failure.
template <class Fail>
int OpenLocked(const std::string& target, int flags, int operation, bool create, const Fail& fail) {
  const auto deadline = Clock::now() + g_lock_wait;
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  flags |= O_NONBLOCK | O_NOCTTY;
  for (;;) {
    int fd = OpenRetrying(target.c_str(), flags);
    if (fd < 0 && errno == ENOENT && create) {
      fd = OpenRetrying(target.c_str(), flags | O_CREAT | O_EXCL, 0666);
      if (fd < 0 && errno == EEXIST) continue;  // created meanwhile by another process
    }
    if (fd < 0) {
      if (errno == ENOENT && !create) return -1;
      fail(SystemReason(errno));
    }
    FdGuard guard(fd);
    struct stat opened;
    if (::fstat(fd, &opened) != 0) fail(SystemReason(errno));
    if (std::string why = NotRegularReason(opened); !why.empty()) fail(why);
    if (!LockWaiting(fd, operation, deadline))
      fail(errno == EWOULDBLOCK ? std::string(kInUseReason) : SystemReason(errno));
    // An atomic save may have put a new file under the name while this one was waited for.
    struct stat named;
    if (::stat(target.c_str(), &named) == 0) {
      if (SameInode(opened, named)) return guard.Release();
    } else if (errno != ENOENT) {
      fail(SystemReason(errno));
    }
    if (Clock::now() >= deadline) fail(std::string(kInUseReason));
  }
}

std::string DirectoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of symbolic links to the name that is really replaced. A dangling link
// leads to the name its target would have, so the new file appears where the link points.
std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
    ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n < 0) return current;
    target.resize(static_cast<std::size_t>(n));
    current = (!target.empty() && target[0] == '/') ? target : DirectoryOf(current) + "/" + target;
  }
  return current;  // a loop of links: the rename will replace the last name reached
}

// Temporary names: ".BASE.XXXXXXXX.tmp" beside the target, BASE cut so that the name fits
// the directory's name limit whatever the target's length. Older builds used 16 hex
// digits; their leftovers are recognised too.
constexpr std::size_t kTemporaryFixed = 1 + 1 + 8 + 4;  // "." "." XXXXXXXX ".tmp"

std::string TemporaryStem(const std::string& dir, const std::string& base) {
  long name_max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  if (name_max <= 0) name_max = 255;
  const auto max = static_cast<std::size_t>(name_max);
  const std::size_t keep = max > kTemporaryFixed ? max - kTemporaryFixed : 1;
  return "." + base.substr(0, keep) + ".";
}

bool IsTemporaryName(std::string_view name, std::string_view stem) {
  if (!name.starts_with(stem) || !name.ends_with(".tmp")) return false;
  const std::string_view digits = name.substr(stem.size(), name.size() - stem.size() - 4);
  if (digits.size() < 8 || digits.size() > 16) return false;
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string RandomDigits() {
  static std::mt19937_64 random{std::random_device{}()};
  // A forked child inherits the generator's state; the process id keeps the two apart.
  const auto value = (random() ^ static_cast<unsigned long long>(::getpid())) & 0xFFFFFFFFull;
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08llx", static_cast<unsigned long long>(value));
  return digits;
}

// Removes the temporary files of `stem` in `dir` that no process holds: what a killed run
// left behind.
void RemoveStaleTemporaries(const std::string& dir, const std::string& stem) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (IsTemporaryName(name, stem)) RemoveIfStale(dir + "/" + std::string(name));
  }
  ::closedir(listing);
}

struct Temporary {
  int fd = -1;
  std::string name;  // empty while the file is anonymous
};

// A new temporary file for `path` in `dir`, locked from its creation so that it never
// looks stale while in use: anonymous where the file system can (O_TMPFILE), else named.
Temporary CreateTemporary(const std::string& dir, const std::string& stem,
                          const std::string& path) {
#ifdef O_TMPFILE
  const int fd = OpenRetrying(dir.c_str(), O_TMPFILE | O_RDWR, 0666);
  if (fd >= 0) {
    ::flock(fd, LOCK_EX | LOCK_NB);  // nobody else can reach it yet
    return {fd, {}};
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
    throw CannotCreateFile(path, SystemReason(errno));
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = dir + "/" + stem + RandomDigits() + ".tmp";
    const int named = OpenRetrying(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
    if (named < 0) {
      if (errno == EEXIST) continue;
      throw CannotCreateFile(path, SystemReason(errno));
    }
    // Between creation and lock, a cleaner may have taken the name for stale.
    struct stat opened, current;
    if (::flock(named, LOCK_EX | LOCK_NB) == 0 && ::fstat(named, &opened) == 0 &&
        ::lstat(name.c_str(), &current) == 0 && SameInode(opened, current))
      return {named, std::move(name)};
    ::close(named);
  }
  throw CannotCreateFile(path, "no free temporary file name");
}

// Gives an anonymous temporary file a fresh name, ready to be renamed over the target.
void NameTemporary(Temporary& temp, const std::string& dir, const std::string& stem,
                   const std::string& path) {
  const std::string by_proc = "/proc/self/fd/" + std::to_string(temp.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = dir + "/" + stem + RandomDigits() + ".tmp";
    // AT_EMPTY_PATH needs a capability that /proc/self/fd does without.
    int rc = ::linkat(temp.fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (rc != 0 && errno != EEXIST)
      rc = ::linkat(AT_FDCWD, by_proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    if (rc == 0) {
      temp.name = std::move(name);
      return;
    }
    if (errno != EEXIST) throw CannotCreateFile(path, SystemReason(errno));
  }
  throw CannotCreateFile(path, "no free temporary file name");
}

void SyncDirectory(const std::string& dir) {
  int fd = OpenRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  // Some file systems refuse fsync on a directory (EINVAL); the rename itself has happened.
  ::fsync(fd);
  ::close(fd);
}

// Puts `content` in place of `target` (see ReplaceLockedFile) and gives the new file's
// descriptor, still locked. `path` words the messages.
int WriteReplacement(const std::string& path, const std::string& target, std::string_view content,
                     std::optional<mode_t> keep_mode) {
  const std::string dir = DirectoryOf(target);
  const std::string stem = TemporaryStem(dir, BaseOf(target));
  RemoveStaleTemporaries(dir, stem);
  Temporary temp = CreateTemporary(dir, stem, path);
  FdGuard guard(temp.fd);
  try {
    if (keep_mode) ::fchmod(temp.fd, *keep_mode);
    try {
      CurrentFileWriter().WriteAll(temp.fd, content);
    } catch (const FileError& e) {
      throw StreamWriteError(path, e.Reason());
    } catch (const Error&) {
      throw StreamWriteError(path);
    }
    if (::fsync(temp.fd) != 0) throw StreamWriteError(path, SystemReason(errno));
    if (temp.name.empty()) NameTemporary(temp, dir, stem, path);
    if (!CurrentFileWriter().Rename(temp.name, target))
      throw CannotCreateFile(path, SystemReason(errno));
  } catch (...) {
    if (!temp.name.empty()) ::unlink(temp.name.c_str());
    throw;
  }
  SyncDirectory(dir);
  return guard.Release();
}

}  // namespace

std::chrono::milliseconds LockWait() {
  return g_lock_wait;
}

ScopedLockWait::ScopedLockWait(std::chrono::milliseconds wait)
    : previous_(std::exchange(g_lock_wait, wait)) {}
ScopedLockWait::~ScopedLockWait() {
  g_lock_wait = previous_;
}

std::optional<LockedFile> LockedFile::OpenExisting(const std::string& path) {
  std::string target = ResolveLinks(path);
  const int fd = OpenLocked(target, O_RDWR, LOCK_EX, false,
                            [&](const std::string& why) { throw CannotOpenFile(path, why); });
  if (fd < 0) return std::nullopt;
  return LockedFile(fd, path, std::move(target));
}

LockedFile LockedFile::OpenOrCreate(const std::string& path) {
  std::string target = ResolveLinks(path);
  const int fd = OpenLocked(target, O_RDWR, LOCK_EX, true,
                            [&](const std::string& why) { throw CannotCreateFile(path, why); });
  return LockedFile(fd, path, std::move(target));
}

LockedFile LockedFile::OpenForReading(const std::string& path) {
  std::string target = ResolveLinks(path);
  const int fd = OpenLocked(target, O_RDONLY, LOCK_SH, false,
                            [&](const std::string& why) { throw CannotOpenFile(path, why); });
  if (fd < 0) throw CannotOpenFile(path, SystemReason(ENOENT));
  return LockedFile(fd, path, std::move(target));
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    CloseQuietly(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
  }
  return *this;
}

LockedFile::~LockedFile() {
  CloseQuietly(fd_);
}

namespace {
// One buffer of the size the file has when it is opened, filled by as few reads as the
// system allows. A file that grows meanwhile is read on into larger buffers. Only regular
// files are read: a FIFO or a device would block or never end.
ByteBuffer ReadFrom(int fd, const std::string& name) {
  struct stat st;
  if (::fstat(fd, &st) != 0) throw CannotOpenFile(name, SystemReason(errno));
  if (std::string why = NotRegularReason(st); !why.empty()) throw CannotOpenFile(name, why);
  ByteBuffer buffer(static_cast<std::size_t>(st.st_size));
  std::size_t used = 0;
  for (;;) {
    char probe = 0;
    const bool full = used == buffer.Size();
    // A full buffer is followed by a one-byte read: the end of the file, or more to come.
    char* into = full ? &probe : buffer.Data() + used;
    const std::size_t want = full ? 1 : buffer.Size() - used;
    const ssize_t n = ::pread(fd, into, want, static_cast<off_t>(used));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw CannotOpenFile(name, SystemReason(errno));
    if (n == 0) break;
    if (full) {
      ByteBuffer larger(std::max<std::size_t>(buffer.Size() * 2, std::size_t{1} << 16));
      std::memcpy(larger.Data(), buffer.Data(), used);
      larger.Data()[used] = probe;
      buffer = std::move(larger);
    }
    used += static_cast<std::size_t>(n);
  }
  buffer.Truncate(used);
  return buffer;
}
}  // namespace

std::string LockedFile::ReadAll() const {
  return std::string(ReadFrom(fd_, path_).View());
}

ByteBuffer LockedFile::ReadBytes() const {
  return ReadFrom(fd_, path_);
}

std::string ReadWholeFile(const std::string& path) {
  return std::string(ReadFileBytes(path).View());
}

ByteBuffer ReadFileBytes(const std::string& path) {
  // O_NONBLOCK: a FIFO is refused by ReadFrom instead of blocking the open.
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw CannotOpenFile(path, SystemReason(errno));
  FdGuard guard(fd);
  return ReadFrom(fd, path);
}

void RemoveIfStale(const std::string& path) {
  const int fd = OpenRetrying(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return;
  FdGuard guard(fd);
  struct stat opened, named;
  // The name must still be the file that was locked: unlink works on names.
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::lstat(path.c_str(), &named) == 0 && SameInode(opened, named))
    ::unlink(path.c_str());
}

void ReplaceLockedFile(LockedFile& held, std::string_view content) {
  struct stat st;
  if (::fstat(held.fd_, &st) != 0) throw CannotCreateFile(held.path_, SystemReason(errno));
  const int fd = WriteReplacement(held.path_, held.target_, content, st.st_mode & 07777);
  // The new file's lock is taken; the old file's goes with its descriptor.
  CloseQuietly(std::exchange(held.fd_, fd));
}

void ReplaceFile(const std::string& path, std::string_view content) {
  std::optional<LockedFile> old;
  try {
    old = LockedFile::OpenExisting(path);
  } catch (const FileError& e) {
    throw CannotCreateFile(path, e.Reason());
  }
  if (old) return ReplaceLockedFile(*old, content);
  CloseQuietly(WriteReplacement(path, ResolveLinks(path), content, std::nullopt));
}

bool FileWriter::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

FileWriter& CurrentFileWriter() {
  return *g_writer;
}

ScopedFileWriter::ScopedFileWriter(FileWriter& writer) : previous_(g_writer) {
  g_writer = &writer;
}
ScopedFileWriter::~ScopedFileWriter() {
  g_writer = previous_;
}

ScopedLockRetryHook::ScopedLockRetryHook(std::function<void()> hook)
    : previous_(std::exchange(g_lock_retry_hook, std::move(hook))) {}
ScopedLockRetryHook::~ScopedLockRetryHook() {
  g_lock_retry_hook = std::move(previous_);
}

}  // namespace polyverb
