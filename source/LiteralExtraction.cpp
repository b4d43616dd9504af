#include "source/LiteralExtraction.h"

#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

// Where a token stood, so its text can be had again from the lines: extraction needs the
// texts of the two tokens before a literal only when that literal is otherwise a
// candidate, and copying every token's text would cost more than the scan itself.
struct TokenPlace {
  TTokenKind kind = tkUnknown;
  std::int32_t line = 0;
  std::int32_t pos = 1;
  std::int32_t next = 1;  // pos == next: no token yet, empty text
};

// The token's text up to ASCII letter case (keys are compared ignoring it), which is the
// scanner's Token with the word left as written.
std::string_view TextAt(std::span<const std::string_view> lines, const TokenPlace& t,
                        std::string& scratch) {
  if (t.pos == t.next) return {};
  const std::string_view line = lines[static_cast<std::size_t>(t.line)];
  if (t.kind == tkUnknown && line[static_cast<std::size_t>(t.pos - 1)] == '\'')
    return "'";  // an unterminated literal; its NextPos lies past the line
  const std::string_view written =
      line.substr(static_cast<std::size_t>(t.pos - 1), static_cast<std::size_t>(t.next - t.pos));
  if (t.kind != tkString) return written;
  scratch = TvScanner::UnquoteString(written);
  return scratch;
}

}  // namespace

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

bool HasTextChar(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 65) return true;
  return false;
}

void FindStrings(std::span<const std::string_view> lines, TLangStrings& strings) {
  TvScanner scanner(lines);
  for (std::string_view word : kExtractionKeywords) scanner.Keywords.Add(word);

  bool started = false;
  long long depth = 0;  // unbounded both ways; unbalanced source only shifts it
  TokenPlace before, previous;
  std::string scratch_before, scratch_previous;

  scanner.Reset();
  while (!scanner.AtEnd()) {
    const TTokenKind kind = scanner.Kind();
    if (kind == tkKeyword) {
      const std::string_view word = scanner.Token();
      if (!started && (word == "implementation" || word == "program"))
        started = true;
      else if (word == "begin" || word == "try" || word == "case")
        ++depth;
      else if (started && word == "end")
        --depth;
    } else if (started && depth > 0 && kind == tkString) {
      const std::string_view text = scanner.Token();
      if (!text.empty() && HasTextChar(text) &&
          !IsExcludedKey(TextAt(lines, before, scratch_before),
                         TextAt(lines, previous, scratch_previous)))
        strings.Add(text, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos());
    }
    before = previous;
    previous = {kind, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos()};
    scanner.NextToken();
  }
}

void FindStrings(std::span<const std::string> lines, TLangStrings& strings) {
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  FindStrings(std::span<const std::string_view>(views), strings);
}

}  // namespace polyverb
