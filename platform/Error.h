// The one exception type of the project: a failure that carries its message text.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace polyverb {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A failure on a named file, with the reason apart so that a caller can word the message
// differently without losing why ("No space left on device").
class FileError : public Error {
 public:
  FileError(const std::string& message, std::string file, std::string reason)
      : Error(message), file_(std::move(file)), reason_(std::move(reason)) {}
  const std::string& File() const { return file_; }
  const std::string& Reason() const { return reason_; }

 private:
  std::string file_;
  std::string reason_;
};

// Reasons that are no system error text.
inline constexpr std::string_view kInUseReason = "in use by another process";
inline constexpr std::string_view kDirectoryReason = "is a directory";

// The system's text for an errno value ("No space left on device"); "is a directory" for
// EISDIR, as the checks of this system word it.
std::string SystemReason(int error);

// The system's fixed messages start these texts; callers must not word them differently,
// since users and scripts match on them. A non-empty reason follows after ": ".
FileError CannotOpenFile(std::string_view name, std::string_view reason = {});
//   "Cannot open file %s[: reason]"
FileError CannotCreateFile(std::string_view name, std::string_view reason = {});
//   "Cannot create file %s[: reason]"
FileError StreamWriteError(std::string_view name = {}, std::string_view reason = {});
//   "Stream write error[ on %s][: reason]"
Error ListIndexError(long long index);  // "List index out of bounds (%d)"

}  // namespace polyverb
