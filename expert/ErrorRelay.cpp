#include "expert/ErrorRelay.h"

#include <exception>
#include <string>

namespace polyverb {

void RelayException(TIToolServices* Services) noexcept {
  try {
    std::string message;
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
      message = "Unknown failure";
    }
    if (Services != nullptr) Services->RaiseException(message);
  } catch (...) {
    // The IDE's own error reporter failed: nothing is left to tell, and nothing may
    // travel back into the IDE.
  }
}

}  // namespace polyverb
