#include "platform/Error.h"

namespace polyverb {

Error CannotOpenFile(std::string_view name) {
  return Error("Cannot open file " + std::string(name));
}

Error CannotCreateFile(std::string_view name) {
  return Error("Cannot create file " + std::string(name));
}

Error StreamWriteError() {
  return Error("Stream write error");
}

Error ListIndexError(long long index) {
  return Error("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace polyverb
