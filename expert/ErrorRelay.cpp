#include "expert/ErrorRelay.h"

#include <exception>
#include <string>

namespace polyverb {

void RelayException(TIToolServices* services) noexcept {
  try {
    std::string message;
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
      message = "Unknown failure";
    }
    if (services != nullptr) services->RaiseException(message);
  } catch (...) {
    // The IDE's own error reporter failed: nothing is left to tell, and nothing may
    // travel back into the IDE.
  }
}

}  // namespace polyverb
