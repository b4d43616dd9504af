// Convert, then restore: any source whose marked literals are replaced by GetLangStr calls
// (with or without annotations) and then restored number by number comes back as it was,
// except for a "+" that joined a marked literal to a character code ('abc'+#13 and 'abc'#13
// convert alike, and come back as 'abc'#13). The input's last byte picks the marks and
// whether calls are annotated.
//
// The suggestion rules run over the same candidates on the way: one suggestion each, with
// a reason.
//
// Inputs for which the round trip cannot hold are not judged: a source that already calls
// GetLangStr, and marked literals that conversion cannot give back unambiguously (glued to
// a word, wrapped in PChar( ) by the user as a whole argument, or followed by a comment
// that reads like their annotation) are left unmarked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "source/LiteralExtraction.h"
#include "source/Restore.h"
#include "source/Rewrite.h"
#include "source/SourceProcessing.h"
#include "source/SourceText.h"
#include "source/SuggestRules.h"

namespace {

using namespace polyverb;

bool IsWordByte(char c) {
  return std::string_view(" \t\r\n()+-*/=<>!;,@':.{}").find(c) == std::string_view::npos;
}

std::vector<std::string_view> Views(const std::vector<std::string>& lines) {
  return {lines.begin(), lines.end()};
}

// Whether conversion and restore can agree on this literal.
bool Restorable(const std::string& line, const TLangStr& s) {
  const auto open = static_cast<std::size_t>(s.StartPos - 1);
  const auto close = static_cast<std::size_t>(s.NextPos - 1);
  if (open > 0 && IsWordByte(line[open - 1])) return false;
  if (open >= 6 && line.compare(open - 6, 6, "PChar(") == 0 && close < line.size() &&
      line[close] == ')')
    return false;
  return line.compare(close, Annotation(s.Text).size(), Annotation(s.Text)) != 0;
}

// The original with the "+" that joined each marked literal to a character code removed.
std::vector<std::string> Expected(std::vector<std::string> lines, const TLangStrings& strings) {
  for (std::int32_t i = strings.Count() - 1; i >= 0; --i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    std::string& line = lines[static_cast<std::size_t>(s.LineIndex)];
    const auto close = static_cast<std::size_t>(s.NextPos - 1);
    if (close < line.size() && line[close] == '+' &&
        GlueAt(line, 1, static_cast<std::int32_t>(close + 2)).after)
      line.erase(close, 1);
    const auto open = static_cast<std::size_t>(s.StartPos - 1);
    if (open >= 1 && line[open - 1] == '+' &&
        GlueAt(line, static_cast<std::int32_t>(open), s.NextPos).before)
      line.erase(open - 1, 1);
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t pattern = data[size - 1];
  std::vector<std::string> lines;
  try {
    const SourceText source(std::string(reinterpret_cast<const char*>(data), size - 1), "fuzz.pas");
    for (auto line : source.Lines()) lines.emplace_back(line);
  } catch (const Error&) {
    return 0;
  }
  if (!FindLangCalls(Views(lines)).empty()) return 0;

  TLangStrings strings;
  FindStrings(std::span<const std::string>(lines), strings);
  const std::vector<TSuggestion> suggestions = SuggestMarks(Views(lines), strings);
  if (suggestions.size() != static_cast<std::size_t>(strings.Count())) __builtin_trap();
  for (const TSuggestion& s : suggestions)
    if (s.reason.empty()) __builtin_trap();
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    TLangStr& s = strings.Items(i);
    s.Chosen = ((pattern >> (i % 7)) & 1) != 0 &&
               Restorable(lines[static_cast<std::size_t>(s.LineIndex)], s);
  }

  auto file = TvLangFileEdit::FromBytes("", "fuzz.lng");
  std::vector<std::string> converted = lines;
  LangFile = file.get();
  NextStrNumber = 1;
  try {
    const ScopedAnnotation annotation((pattern & 0x80) != 0);
    ReplaceStrings(converted, strings);
  } catch (const Error&) {  // more marks than numbers
    LangFile = nullptr;
    return 0;
  }
  LangFile = nullptr;

  // The odd numbers first, then the rest: a partial restore leaves the other calls alone.
  const TRestoreResult odd =
      RestoreLangCalls(Views(converted), *file, [](long long n) { return n % 2 == 1; });
  const TRestoreResult all =
      RestoreLangCalls(Views(odd.lines), *file, [](long long) { return true; });
  if (!odd.missing.empty() || !all.missing.empty() || !all.remaining.empty()) __builtin_trap();
  if (odd.restored.size() + all.restored.size() != file->Idents().size()) __builtin_trap();
  if (all.lines != Expected(lines, strings)) __builtin_trap();
  return 0;
}
