// What polyverb-ide --yes prints after a run, and the exit status it gives: one place for
// both, so that the status always says what the summary shows. Qt-free.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace polyverb {

struct RunSummary {
  using Reasoned = std::vector<std::pair<std::string, std::string>>;  // name, why

  std::vector<std::string> done;            // modules handed out and not failed, in order
  Reasoned skipped;                         // no module interface given
  Reasoned failed;                          // a Save that failed: the module and the failure
  std::vector<std::string> messages;        // message boxes shown
  std::vector<std::string> run_time_added;  // files whose uses clause gained vLangRT
  std::vector<std::string> errors;          // errors raised to the IDE
  std::vector<std::string> open;            // files still open
  bool driver_failed = false;               // --yes could not answer a dialog
};

// "polyverb-ide summary" and one line per list, each "  NAME (COUNT): a, b (why), ...".
std::string FormatSummary(const RunSummary& summary);

// cli/Cli.h's statuses: kExitFailure when a module failed, an error was raised or the
// driver failed; else kExitMessageShown when a message was shown; else kExitOk.
int SummaryExitStatus(const RunSummary& summary);

}  // namespace polyverb
