// polyverb list: the candidate literals of Pascal source files.
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SourceText.h"
#include "source/SuggestRules.h"

namespace polyverb::cli {
namespace {

struct ListArgs {
  bool tsv = false;
  bool suggest = false;
  std::vector<std::string> files;
};

ListArgs ParseListArgs(std::span<const std::string> args) {
  ListArgs parsed;
  bool options = true;
  for (const auto& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--tsv") {
      parsed.tsv = true;
    } else if (options && a == "--suggest") {
      parsed.suggest = true;
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  return parsed;
}

// One file's lines of output; built whole so a file that fails leaves nothing half-listed.
// With suggestions, each line ends in the suggestion and its reason.
std::string FormatCandidates(const std::string& file, const SourceText& source,
                             const TLangStrings& strings, const ListArgs& args) {
  std::vector<TSuggestion> suggestions;
  if (args.suggest) suggestions = SuggestMarks(source.Lines(), strings);
  std::string out;
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    const std::string line = std::to_string(s.LineIndex + 1);
    std::string suggestion;
    if (args.suggest) {
      const TSuggestion& g = suggestions[static_cast<std::size_t>(i)];
      suggestion = args.tsv
                       ? '\t' + std::string(SuggestName(g.suggest)) + '\t' + std::string(g.reason)
                       : "  " + std::string(SuggestName(g.suggest)) + ": " + std::string(g.reason);
    }
    if (args.tsv) {
      out += file + '\t' + line + '\t' + std::to_string(s.StartPos) + '\t' +
             std::to_string(s.NextPos) + '\t' + EscapeText(s.Text) + suggestion + '\n';
    } else {
      const std::string_view text = source.Lines()[static_cast<std::size_t>(s.LineIndex)];
      const auto written = text.substr(static_cast<std::size_t>(s.StartPos - 1),
                                       static_cast<std::size_t>(s.NextPos - s.StartPos));
      out += file + ':' + line + ':' + std::to_string(s.StartPos) + ": " + std::to_string(i + 1) +
             ": " + EscapeText(written) + suggestion + '\n';
    }
  }
  return out;
}

}  // namespace

int RunList(std::span<const std::string> args) {
  const ListArgs parsed = ParseListArgs(args);
  int status = kExitOk;
  for (const auto& file : parsed.files) {
    // One unreadable file must not hide the candidates of the others.
    try {
      const SourceText source = ReadSourceFile(file);
      TLangStrings strings;
      FindStrings(source.Lines(), strings);
      std::cout << FormatCandidates(file, source, strings, parsed);
    } catch (const Error& e) {
      std::cout.flush();
      std::cerr << "polyverb list: " << e.what() << "\n";
      status = kExitFailure;
    }
  }
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return status;
}

}  // namespace polyverb::cli
