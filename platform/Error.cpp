#include "platform/Error.h"

#include <cerrno>
#include <cstring>

namespace polyverb {
namespace {

std::string WithReason(std::string message, std::string_view reason) {
  if (!reason.empty()) message += ": " + std::string(reason);
  return message;
}

}  // namespace

std::string SystemReason(int error) {
  if (error == EISDIR) return std::string(kDirectoryReason);
  return std::strerror(error);
}

FileError CannotOpenFile(std::string_view name, std::string_view reason) {
  return FileError(WithReason("Cannot open file " + std::string(name), reason), std::string(name),
                   std::string(reason));
}

FileError CannotCreateFile(std::string_view name, std::string_view reason) {
  return FileError(WithReason("Cannot create file " + std::string(name), reason), std::string(name),
                   std::string(reason));
}

FileError StreamWriteError(std::string_view name, std::string_view reason) {
  std::string message = "Stream write error";
  if (!name.empty()) message += " on " + std::string(name);
  return FileError(WithReason(message, reason), std::string(name), std::string(reason));
}

Error ListIndexError(long long index) {
  return Error("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace polyverb
