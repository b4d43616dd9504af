// polyverb tokens: the scanner's view of one Pascal source file, for reports of a wrong
// candidate.
#include <iostream>
#include <string>

#include "cli/Cli.h"
#include "source/LiteralExtraction.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace polyverb::cli {

int RunTokens(std::span<const std::string> args) {
  std::string file;
  bool options = true;
  int count = 0;
  for (const auto& a : args) {
    if (options && a == "--") {
      options = false;
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      file = a;
      ++count;
    }
  }
  if (count != 1) throw UsageError(count == 0 ? "no FILE given" : "exactly one FILE expected");

  const SourceText source = ReadSourceFile(file);
  TvScanner scanner(source.Lines());
  for (std::string_view word : kExtractionKeywords) scanner.Keywords.Add(word);

  std::string out;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
    out += std::to_string(scanner.LineIndex() + 1);
    out += '\t';
    out += std::to_string(scanner.TokenPos());
    out += '\t';
    out += std::to_string(scanner.NextPos());
    out += '\t';
    out += TokenKindName(scanner.Kind());
    out += '\t';
    out += EscapeText(scanner.Token());
    out += '\n';
    if (out.size() >= (1 << 16)) {  // keep memory flat on large files
      std::cout << out;
      out.clear();
    }
  }
  std::cout << out;
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return kExitOk;
}

}  // namespace polyverb::cli
