// File access as the system needs it: "open without sharing" is an exclusive,
// non-blocking flock taken when the file is opened, and every file the system writes is
// replaced atomically, so a failed write never loses the previous content.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ByteBuffer.h"

namespace polyverb {

// An open descriptor that holds a flock on its file until it is closed. Move-only.
class LockedFile {
 public:
  // Opens an existing file for reading and writing with an exclusive lock. Gives nullopt
  // when the file is missing, cannot be opened, or another process holds a lock on it.
  static std::optional<LockedFile> OpenExisting(const std::string& path);

  // Opens `path` for reading and writing, creating it (mode 0666 minus the umask) when
  // missing, takes an exclusive lock and only then truncates it to 0 bytes, so a file in
  // use elsewhere is never emptied. Throws "Cannot create file %s" on any failure.
  static LockedFile CreateEmpty(const std::string& path);

  // Opens an existing file read-only with a shared lock: it reads alongside other readers
  // but not beside a writer. Throws "Cannot open file %s" on any failure.
  static LockedFile OpenForReading(const std::string& path);

  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;
  ~LockedFile();

  const std::string& Path() const { return path_; }
  int Fd() const { return fd_; }

  // The whole content from the first byte. Throws "Cannot open file %s" when a read fails.
  std::string ReadAll() const;
  // The same in one buffer of the file's size, read without a copy in between.
  ByteBuffer ReadBytes() const;

 private:
  friend void ReplaceFile(const std::string& path, std::string_view content);
  LockedFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  std::string path_;
};

// Reads a whole file without locking it. Throws "Cannot open file %s" on any failure.
std::string ReadWholeFile(const std::string& path);
// The same into one buffer of the file's size: the way to read a file of any length.
ByteBuffer ReadFileBytes(const std::string& path);

// Replaces the file at `path` with `content` atomically:
//  - an existing file is locked first, so a file held by another process makes the write
//    fail ("Cannot create file %s") before anything is written;
//  - the content goes to a temporary file in the same directory, which is flushed to disk
//    and renamed over the old name; the directory is flushed too;
//  - a new file gets mode 0666 minus the umask, a replaced file keeps its mode; a name that
//    is a symbolic link is replaced at its target;
//  - a write or flush that fails raises "Stream write error"; on every failure the old file
//    is left as it was and the temporary file is removed.
void ReplaceFile(const std::string& path, std::string_view content);

// The seam through which every byte the system writes passes, so tests can make a write
// fail part-way (as a full disk would) without touching the real file system.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes all of `data` to `fd` or throws Error ("Stream write error").
  virtual void WriteAll(int fd, std::string_view data) = 0;
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

}  // namespace polyverb
