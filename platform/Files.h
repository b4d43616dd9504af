// File access as the system needs it.
//
// Locks. "Open without sharing" is an exclusive flock; a reader takes a shared one. A lock
// that another process holds is waited for, at most LockWait() (30 s), and then the open
// fails with the reason "in use by another process"; a busy file is never taken for a
// missing one. flock locks an inode, while an atomic save renames a new inode over the
// name: so once a lock is granted the open checks that the name still refers to the
// locked inode, and opens and locks again when it does not.
//
// Writing. Every file the system writes is replaced atomically: the new content goes to a
// temporary file in the same directory, which is locked from its creation, flushed, and
// renamed over the old name; the directory is flushed too. Where the file system allows,
// the temporary file is anonymous (O_TMPFILE) until just before the rename, so a killed
// run leaves nothing behind; elsewhere a killed run leaves ".NAME.XXXXXXXX.tmp", which the
// next write of NAME removes (a temporary file is stale when no process holds its lock).
// A writer that holds the old file's lock holds the new file's lock from the rename on,
// so no other writer comes in between two saves of one locked session.
//
// Only regular files are read or replaced: a FIFO, device, socket or directory is refused
// at once (a FIFO would block the open, /dev/zero would never end).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ByteBuffer.h"

namespace polyverb {

// How long an open waits for another process's lock by default.
inline constexpr std::chrono::milliseconds kDefaultLockWait{30000};

// The wait in force: kDefaultLockWait unless a ScopedLockWait changed it.
std::chrono::milliseconds LockWait();

// Puts `wait` in force for the lifetime of this object (tests, and callers that must not
// wait at all).
class ScopedLockWait {
 public:
  explicit ScopedLockWait(std::chrono::milliseconds wait);
  ~ScopedLockWait();
  ScopedLockWait(const ScopedLockWait&) = delete;
  ScopedLockWait& operator=(const ScopedLockWait&) = delete;

 private:
  std::chrono::milliseconds previous_;
};

// An open descriptor of a regular file that holds a flock on it until it is closed.
// Move-only.
class LockedFile {
 public:
  // Opens the existing file at `path` for reading and writing with an exclusive lock,
  // waiting for another process's lock as described above. Gives nullopt when no file has
  // that name. Throws "Cannot open file PATH: REASON" on any other failure (REASON: "in use
  // by another process", "is a directory", "not a regular file", or the system's text).
  static std::optional<LockedFile> OpenExisting(const std::string& path);

  // OpenExisting, or, when no file has that name, creates it empty (mode 0666 minus the
  // umask) under the lock. An existing file is never truncated. Throws "Cannot create file
  // PATH: REASON" on any failure.
  static LockedFile OpenOrCreate(const std::string& path);

  // Opens an existing file read-only with a shared lock: it reads alongside other readers
  // but waits for a writer. Throws "Cannot open file PATH: REASON" on any failure.
  static LockedFile OpenForReading(const std::string& path);

  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  ~LockedFile();

  // The name as given, for messages.
  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }

  // The whole content from the first byte. Throws "Cannot open file %s: REASON" when a
  // read fails.
  std::string ReadAll() const;
  // The same in one buffer of the file's size, read without a copy in between.
  ByteBuffer ReadBytes() const;

 private:
  friend void ReplaceLockedFile(LockedFile& held, std::string_view content);
  LockedFile(int fd, std::string path, std::string target)
      : fd_(fd), path_(std::move(path)), target_(std::move(target)) {}
  int fd_ = -1;
  std::string path_;
  std::string target_;  // path_ with symbolic links followed: the name a save replaces
};

// Reads a whole regular file without locking it. Throws "Cannot open file %s: REASON".
std::string ReadWholeFile(const std::string& path);
// The same into one buffer of the file's size: the way to read a file of any length.
ByteBuffer ReadFileBytes(const std::string& path);

// Replaces the file `held` locks with `content` atomically (see above), without taking
// another lock on it: the caller already holds the only one. On return `held` holds the
// lock of the new file. A new file keeps the old one's mode; a name that is a symbolic
// link is replaced at its target. Throws, leaving the old file as it was and no temporary
// file behind: "Cannot create file %s: REASON" when the temporary file cannot be created
// or renamed, "Stream write error on %s: REASON" when a write or flush fails.
void ReplaceLockedFile(LockedFile& held, std::string_view content);

// Replaces the file at `path` with `content`: an existing file is locked first
// (OpenExisting: waiting for another process's lock), then replaced as by
// ReplaceLockedFile; a missing one is created with mode 0666 minus the umask. Throws as
// ReplaceLockedFile does, and "Cannot create file %s: REASON" when the existing file
// cannot be locked.
void ReplaceFile(const std::string& path, std::string_view content);

// Removes the regular file at `path` (a symbolic link is not followed) when no process
// holds a lock on it: how a temporary file that a killed run left is told from one in use.
void RemoveIfStale(const std::string& path);

// The seam through which every byte the system writes and every rename passes, so tests
// can make a write fail part-way (as a full disk would), or stop the process at any step,
// without touching the real file system.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes all of `data` to `fd` or throws an Error (the real one a FileError whose
  // Reason() is the system's text).
  virtual void WriteAll(int fd, std::string_view data) = 0;
  // Renames as rename(2) does: false with errno set on failure.
  virtual bool Rename(const std::string& from, const std::string& to);
};

// The writer in force: the real one unless a ScopedFileWriter replaced it.
FileWriter& CurrentFileWriter();

// Puts `writer` in force for the lifetime of this object (tests only).
class ScopedFileWriter {
 public:
  explicit ScopedFileWriter(FileWriter& writer);
  ~ScopedFileWriter();
  ScopedFileWriter(const ScopedFileWriter&) = delete;
  ScopedFileWriter& operator=(const ScopedFileWriter&) = delete;

 private:
  FileWriter* previous_;
};

// Runs `hook` after every lock attempt that finds the file held by another process, for
// the lifetime of this object (tests only: a holder can let go at exactly that moment).
class ScopedLockRetryHook {
 public:
  explicit ScopedLockRetryHook(std::function<void()> hook);
  ~ScopedLockRetryHook();
  ScopedLockRetryHook(const ScopedLockRetryHook&) = delete;
  ScopedLockRetryHook& operator=(const ScopedLockRetryHook&) = delete;

 private:
  std::function<void()> previous_;
};

}  // namespace polyverb
