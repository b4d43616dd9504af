// The error relay: every operation the IDE calls on the add-in catches any failure and
// hands its message to the IDE, which shows it; nothing is thrown back into the IDE.
#pragma once

#include "ideintf/IdeIntf.h"

namespace polyverb {

// Call only inside a catch block: passes the message of the failure being handled to
// Services->RaiseException. Never throws; with Services nullptr the message is dropped
// (there is nobody to show it to).
void RelayException(TIToolServices* services) noexcept;

// Runs `body` for an operation the IDE calls; a failure goes to the relay and the result
// keeps what it held before.
template <class Result, class Body>
Result Relayed(TIToolServices& services, Result result, Body body) noexcept {
  try {
    result = body();
  } catch (...) {
    RelayException(&services);
  }
  return result;
}

}  // namespace polyverb
