// Runs a built program as a user would and captures what it prints.
#pragma once

#include <string>
#include <vector>

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

}  // namespace polyverb::testing
