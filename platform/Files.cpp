#include "platform/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "platform/Error.h"

namespace polyverb {
namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = ::open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

bool Lock(int fd, int operation) {
  int rc;
  do rc = ::flock(fd, operation | LOCK_NB);
  while (rc < 0 && errno == EINTR);
  return rc == 0;
}

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

class RealFileWriter : public FileWriter {
 public:
  void WriteAll(int fd, std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(fd, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw StreamWriteError();
      data.remove_prefix(static_cast<std::size_t>(n));
    }
  }
};

RealFileWriter g_real_writer;
FileWriter* g_writer = &g_real_writer;

std::string DirectoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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

// Creates a fresh temporary file beside `target`; never reuses an existing name.
int CreateTemporary(const std::string& target, std::string& temp_name) {
  static std::mt19937_64 random{std::random_device{}()};
  auto slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%08llx", static_cast<unsigned long long>(random()));
    temp_name = dir + "." + base + "." + suffix + ".tmp";
    int fd = OpenRetrying(temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncDirectory(const std::string& dir) {
  int fd = OpenRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  // Some file systems refuse fsync on a directory (EINVAL); the rename itself has happened.
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::optional<LockedFile> LockedFile::OpenExisting(const std::string& path) {
  int fd = OpenRetrying(path.c_str(), O_RDWR);
  if (fd < 0) return std::nullopt;
  if (!Lock(fd, LOCK_EX)) {
    ::close(fd);
    return std::nullopt;
  }
  return LockedFile(fd, path);
}

LockedFile LockedFile::CreateEmpty(const std::string& path) {
  int fd = OpenRetrying(path.c_str(), O_RDWR | O_CREAT, 0666);
  if (fd < 0) throw CannotCreateFile(path);
  LockedFile file(fd, path);
  if (!Lock(fd, LOCK_EX) || ::ftruncate(fd, 0) != 0) throw CannotCreateFile(path);
  return file;
}

LockedFile LockedFile::OpenForReading(const std::string& path) {
  int fd = OpenRetrying(path.c_str(), O_RDONLY);
  if (fd < 0) throw CannotOpenFile(path);
  LockedFile file(fd, path);
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !Lock(fd, LOCK_SH))
    throw CannotOpenFile(path);
  return file;
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    CloseQuietly(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

LockedFile::~LockedFile() {
  CloseQuietly(fd_);
}

namespace {
// One buffer of the size the file has when it is opened, filled by as few reads as the
// system allows. A file that grows meanwhile, or has no size (a device), is read on into
// larger buffers.
ByteBuffer ReadFrom(int fd, const std::string& name) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) throw CannotOpenFile(name);
  ByteBuffer buffer(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0);
  std::size_t used = 0;
  for (;;) {
    char probe = 0;
    const bool full = used == buffer.Size();
    // A full buffer is followed by a one-byte read: the end of the file, or more to come.
    char* into = full ? &probe : buffer.Data() + used;
    const std::size_t want = full ? 1 : buffer.Size() - used;
    const ssize_t n = ::pread(fd, into, want, static_cast<off_t>(used));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw CannotOpenFile(name);
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

int OpenForReadingOrThrow(const std::string& path) {
  const int fd = OpenRetrying(path.c_str(), O_RDONLY);
  if (fd < 0) throw CannotOpenFile(path);
  return fd;
}

struct Closer {
  int fd;
  ~Closer() { ::close(fd); }
};
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
  const Closer closer{OpenForReadingOrThrow(path)};
  return ReadFrom(closer.fd, path);
}

void ReplaceFile(const std::string& path, std::string_view content) {
  const std::string target = ResolveLinks(path);

  // Hold the old file's lock until the new content has taken its name.
  std::optional<LockedFile> old;
  mode_t keep_mode = 0;
  bool existed = false;
  {
    int fd = OpenRetrying(target.c_str(), O_RDWR);
    if (fd < 0 && errno != ENOENT) throw CannotCreateFile(path);
    if (fd >= 0) {
      old.emplace(LockedFile(fd, target));
      struct stat st;
      if (!Lock(fd, LOCK_EX) || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw CannotCreateFile(path);
      keep_mode = st.st_mode & 07777;
      existed = true;
    }
  }

  std::string temp_name;
  int temp = CreateTemporary(target, temp_name);
  if (temp < 0) throw CannotCreateFile(path);
  try {
    if (existed) ::fchmod(temp, keep_mode);
    CurrentFileWriter().WriteAll(temp, content);
    if (::fsync(temp) != 0) throw StreamWriteError();
    int rc = ::close(temp);
    temp = -1;
    if (rc != 0) throw StreamWriteError();
    if (::rename(temp_name.c_str(), target.c_str()) != 0) throw CannotCreateFile(path);
  } catch (...) {
    CloseQuietly(temp);
    ::unlink(temp_name.c_str());
    throw;
  }
  SyncDirectory(DirectoryOf(target));
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

}  // namespace polyverb
