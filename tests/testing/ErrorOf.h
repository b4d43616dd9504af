// The message of the Error that `body` raises, or "no error": tests compare whole messages.
#pragma once

#include <functional>
#include <string>

#include "platform/Error.h"

namespace polyverb::testing {

inline std::string ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace polyverb::testing
