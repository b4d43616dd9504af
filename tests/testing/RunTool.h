// Runs a built program as a user would and captures what it prints.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/testing/TempDir.h"

namespace polyverb::testing {

struct ToolResult {
  int exit_code = -1;  // 128 + signal when killed
  std::string out;
  std::string err;
};

// Runs `program` with `args` (no shell) in `cwd` (empty: the current directory), with
// standard input from /dev/null.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd = "");

// Builds the Pascal program `source` with the compiler `fpc` into a new temporary folder,
// which then holds the program. A build that fails is a test failure (and nullptr).
std::unique_ptr<TempDir> BuildPascalTool(const std::string& fpc, const std::string& source);

}  // namespace polyverb::testing
