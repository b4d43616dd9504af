// Calls a command handler as main does, with what it prints captured.
#pragma once

#include <iostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace polyverb::testing {

struct Captured {
  int status = -1;
  std::string out;
  std::string err;
};

// Points std::cout and std::cerr at strings for the length of one handler call; a handler
// that throws leaves them restored.
inline Captured CallCommand(int (*handler)(std::span<const std::string>),
                            const std::vector<std::string>& args) {
  std::ostringstream out, err;
  struct Restore {
    std::streambuf *o, *e;
    ~Restore() {
      std::cout.rdbuf(o);
      std::cerr.rdbuf(e);
    }
  } restore{std::cout.rdbuf(out.rdbuf()), std::cerr.rdbuf(err.rdbuf())};
  Captured run;
  run.status = handler(args);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace polyverb::testing
