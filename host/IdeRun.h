// polyverb-ide after its arguments were read: the project opened, the add-in loaded, the
// window shown or the --yes run made, the summary printed.
#pragma once

#include <optional>
#include <string>

#include "host/AutoRun.h"

namespace polyverb {

struct IdeRunOptions {
  std::optional<std::string> expert;  // --expert PATH; DefaultAddinPath() when not given
  bool yes = false;                   // --yes: a run without a person
  AutoRunOptions run;                 // the answers of --yes
  std::string project;                // PROJECT.dpr
};

// Runs the stand-in and gives its exit status (cli/Cli.h kExit*). Every failure is
// reported on stderr here; nothing is thrown. `argc` and `argv` go to QApplication.
int RunIdeStandIn(const IdeRunOptions& options, int& argc, char** argv);

}  // namespace polyverb
