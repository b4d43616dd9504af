// polyverb list: the candidate literals of Pascal source files.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"

namespace polyverb::cli {
namespace {

struct ListArgs {
  bool tsv = false;
  TConversionOptions options;
  std::vector<std::string> files;
};

ListArgs ParseListArgs(std::span<const std::string> args) {
  ListArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--tsv") {
      parsed.tsv = true;
    } else if (options && a == "--classic") {
      parsed.options.rules = TCandidateRules::kClassic;
    } else if (options && a == "--include-dir") {
      if (i + 1 == args.size()) throw UsageError("option '" + a + "' needs a value");
      parsed.options.include_dirs.push_back(args[++i]);
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  if (parsed.options.rules == TCandidateRules::kClassic && !parsed.options.include_dirs.empty())
    throw UsageError("--include-dir needs the sound rules: the classic rules follow no includes");
  return parsed;
}

// One unit's lines of output; built whole so a file that fails leaves nothing half-listed.
// A candidate of an include file is named by that file's path and line.
std::string FormatCandidates(const TSourceUnit& unit, bool tsv) {
  std::string out;
  const TLangStrings& strings = unit.Strings();
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    const std::string& file = unit.File(unit.FileOf(s.LineIndex)).path;
    const std::string line = std::to_string(unit.LocalLine(s.LineIndex) + 1);
    if (tsv) {
      out += file + '\t' + line + '\t' + std::to_string(s.StartPos) + '\t' +
             std::to_string(s.NextPos) + '\t' + EscapeText(s.Text) + '\n';
    } else {
      out += file + ':' + line + ':' + std::to_string(s.StartPos) + ": " + std::to_string(i + 1) +
             ": " + EscapeText(unit.Written(s)) + '\n';
    }
  }
  return out;
}

void PrintWarnings(TConversionRun& run) {
  std::cout.flush();
  for (const std::string& w : run.TakeWarnings())
    std::cerr << "polyverb list: warning: " << w << "\n";
}

}  // namespace

int RunList(std::span<const std::string> args) {
  const ListArgs parsed = ParseListArgs(args);
  TConversionRun run(parsed.options);
  int status = kExitOk;
  for (const auto& file : parsed.files) {
    // One unreadable file must not hide the candidates of the others.
    try {
      const TSourceUnit unit(file, run);
      if (run.Sound() && !unit.Facts().has_header && unit.File(0).offered)
        run.Warn(file +
                 " has no unit or program header, so nothing in it is a candidate on its own; "
                 "if it is an include file, list the unit or program that includes it");
      std::cout << FormatCandidates(unit, parsed.tsv);
      PrintWarnings(run);
    } catch (const Error& e) {
      PrintWarnings(run);
      std::cerr << "polyverb list: " << e.what() << "\n";
      status = kExitFailure;
    }
  }
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return status;
}

}  // namespace polyverb::cli
