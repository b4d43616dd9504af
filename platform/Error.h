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

// The system's fixed messages; callers must not word these differently, since users
// and scripts match on them.
Error CannotOpenFile(std::string_view name);    // "Cannot open file %s"
Error CannotCreateFile(std::string_view name);  // "Cannot create file %s"
Error StreamWriteError();                       // "Stream write error"
Error ListIndexError(long long index);          // "List index out of bounds (%d)"

}  // namespace polyverb
