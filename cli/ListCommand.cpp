// polyverb list: the candidate literals of Pascal source files.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/OrderedParallel.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"
#include "source/SuggestRules.h"

namespace polyverb::cli {
namespace {

struct ListArgs {
  bool tsv = false;
  bool suggest = false;
  unsigned jobs = 0;  // 0: one per processor
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
    } else if (options && a == "--suggest") {
      parsed.suggest = true;
    } else if (options && TakeJobsOption(args, i, parsed.jobs)) {
      // -j N: taken
    } else if (options && a == "--classic") {
      parsed.options.rules = TCandidateRules::kClassic;
    } else if (options && a == "--include-dir") {
      parsed.options.include_dirs.push_back(OptionValue(args, i));
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  if (parsed.jobs == 0) parsed.jobs = ProcessorCount();
  if (parsed.options.rules == TCandidateRules::kClassic && !parsed.options.include_dirs.empty())
    throw UsageError("--include-dir needs the sound rules: the classic rules follow no includes");
  return parsed;
}

// One unit's lines of output; built whole so a file that fails leaves nothing half-listed.
// A candidate of an include file is named by that file's path and line. With suggestions,
// each line ends in the suggestion and its reason.
std::string FormatCandidates(const TSourceUnit& unit, const ListArgs& args) {
  std::vector<TSuggestion> suggestions;
  if (args.suggest && unit.Strings().Count() > 0)
    suggestions = SuggestMarks(unit.AllLines(), unit.Strings());
  std::string out;
  const TLangStrings& strings = unit.Strings();
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    out += unit.File(unit.FileOf(s.LineIndex)).path;
    const std::int32_t line = unit.LocalLine(s.LineIndex) + 1;
    if (args.tsv) {
      out += '\t';
      AppendNumber(out, line);
      out += '\t';
      AppendNumber(out, s.StartPos);
      out += '\t';
      AppendNumber(out, s.NextPos);
      out += '\t';
      AppendEscapedText(out, s.Text);
    } else {
      out += ':';
      AppendNumber(out, line);
      out += ':';
      AppendNumber(out, s.StartPos);
      out += ": ";
      AppendNumber(out, i + 1);
      out += ": ";
      AppendEscapedText(out, unit.Written(s));
    }
    if (args.suggest) {
      const TSuggestion& g = suggestions[static_cast<std::size_t>(i)];
      out += args.tsv ? "\t" : "  ";
      out += SuggestName(g.suggest);
      out += args.tsv ? "\t" : ": ";
      out += g.reason;
    }
    out += '\n';
  }
  return out;
}

// One file scanned on a worker thread, with a run of its own: the shared run's state (which
// include files earlier units offered) is not known there yet.
struct Listing {
  std::unique_ptr<TConversionRun> run;
  std::unique_ptr<TSourceUnit> unit;
  std::string error;
};

Listing ScanFile(const std::string& file, const TConversionOptions& options) {
  Listing listing;
  listing.run = std::make_unique<TConversionRun>(options);
  // One unreadable file must not hide the candidates of the others.
  try {
    listing.unit = std::make_unique<TSourceUnit>(file, *listing.run);
  } catch (const Error& e) {
    listing.error = e.what();
  }
  return listing;
}

// True when the unit meets no file an earlier unit of the shared run offered: its scan on
// its own then equals the scan a single thread would have made in argument order.
bool ScannedAlike(const TSourceUnit& unit, const TConversionRun& run) {
  if (run.OfferedAsInclude(unit.File(0).key)) return false;
  for (std::size_t i = 1; i < unit.FileCount(); ++i)
    if (run.Offered(unit.File(i).key)) return false;
  return true;
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
  // Files are read and scanned side by side; what each gives is printed in argument
  // order, so the output does not depend on the number of jobs. A unit that shares an
  // include file with an earlier one is scanned again in order, with the shared run.
  ForEachInOrder<Listing>(
      parsed.files.size(), parsed.jobs,
      [&](std::size_t i) { return ScanFile(parsed.files[i], parsed.options); },
      [&](std::size_t i, Listing& listing) {
        const std::string& file = parsed.files[i];
        try {
          if (!listing.error.empty()) throw Error(listing.error);
          std::unique_ptr<TSourceUnit> unit = std::move(listing.unit);
          if (ScannedAlike(*unit, run)) {
            for (std::size_t f = 0; f < unit->FileCount(); ++f)
              run.MarkOffered(unit->File(f).key, f > 0);
            for (std::string& w : listing.run->TakeWarnings()) run.Warn(std::move(w));
          } else {
            unit = std::make_unique<TSourceUnit>(file, run);
          }
          if (run.Sound() && !unit->Facts().has_header && unit->File(0).offered)
            run.Warn(file +
                     " has no unit or program header, so nothing in it is a candidate on its "
                     "own; if it is an include file, list the unit or program that includes it");
          const std::string out = FormatCandidates(*unit, parsed);
          std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
          PrintWarnings(run);
        } catch (const Error& e) {
          PrintWarnings(run);
          std::cerr << "polyverb list: " << e.what() << "\n";
          status = kExitFailure;
        }
      });
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return status;
}

}  // namespace polyverb::cli
