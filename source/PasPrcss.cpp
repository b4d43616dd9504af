#include "source/PasPrcss.h"

#include <vector>

#include "platform/Text.h"
#include "source/VScaner.h"

namespace polyverb {
namespace {

// The key is the two token texts joined; comparing the halves avoids building it.
bool IsExcludedKey(std::string_view before, std::string_view previous) {
  for (std::string_view key : ExcludeKeys) {
    if (before.size() + previous.size() != key.size()) continue;
    if (SameTextAscii(key.substr(0, before.size()), before) &&
        SameTextAscii(key.substr(before.size()), previous))
      return true;
  }
  return false;
}

}  // namespace

bool HasTextChar(std::string_view S) {
  for (char c : S)
    if (static_cast<unsigned char>(c) >= 65) return true;
  return false;
}

void FindStrings(std::span<const std::string_view> Lines, TLangStrings& Strings) {
  TvScanner scanner(Lines);
  for (std::string_view word : ExtractionKeywords)
    scanner.Keywords.Add(word);

  bool started = false;
  long long depth = 0;  // unbounded both ways; unbalanced source only shifts it
  // The texts of the two tokens before the current one. Kept as strings (capacity is
  // reused) because the scanner's view of a token dies with the next token.
  std::string before, previous;

  scanner.Reset();
  while (!scanner.AtEnd()) {
    const std::string_view token = scanner.Token();
    if (scanner.Kind() == tkKeyword) {
      if (!started && (token == "implementation" || token == "program"))
        started = true;
      else if (token == "begin" || token == "try" || token == "case")
        ++depth;
      else if (started && token == "end")
        --depth;
    } else if (started && depth > 0 && scanner.Kind() == tkString && !token.empty() &&
               HasTextChar(token) && !IsExcludedKey(before, previous)) {
      Strings.Add(token, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos());
    }
    before.swap(previous);
    previous.assign(token);
    scanner.NextToken();
  }
}

void FindStrings(std::span<const std::string> Lines, TLangStrings& Strings) {
  const std::vector<std::string_view> views(Lines.begin(), Lines.end());
  FindStrings(std::span<const std::string_view>(views), Strings);
}

}  // namespace polyverb
