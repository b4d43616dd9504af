#include "host/RunSummary.h"

#include "cli/Cli.h"

namespace polyverb {
namespace {

std::string List(const std::vector<std::string>& items) {
  std::string text = " (" + std::to_string(items.size()) + ")";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i == 0 ? ": " : ", ") + items[i];
  return text;
}

std::string List(const RunSummary::Reasoned& items) {
  std::vector<std::string> texts;
  for (const auto& [name, why] : items) texts.push_back(name + " (" + why + ")");
  return List(texts);
}

}  // namespace

std::string FormatSummary(const RunSummary& s) {
  return "polyverb-ide summary\n"
         "  modules done" +
         List(s.done) + "\n  modules skipped" + List(s.skipped) + "\n  modules failed" +
         List(s.failed) + "\n  messages shown" + List(s.messages) +
         "\n  run-time unit vLangRT added" + List(s.run_time_added) + "\n  errors raised" +
         List(s.errors) + "\n  files still open" + List(s.open) + "\n";
}

int SummaryExitStatus(const RunSummary& s) {
  if (s.driver_failed || !s.failed.empty() || !s.errors.empty()) return cli::kExitFailure;
  if (!s.messages.empty()) return cli::kExitMessageShown;
  return cli::kExitOk;
}

}  // namespace polyverb
