// The sound rules and their rewrite over arbitrary bytes (include directives not followed;
// marks from the input's last byte). Checks, for every input:
//  - every candidate lies inside its lines, from an opening to a closing quote, in order;
//  - every PChar argument covers its candidates and lies inside its lines;
//  - the planned edits never overlap, and the rewritten text reads, by the same rules, as
//    the source with each marked literal turned into one GetLangStr call; a file that gains
//    the run-time unit names it in a uses clause.
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Error.h"
#include "source/Scanner.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"
#include "source/UnitRewrite.h"

namespace {

using namespace polyverb;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Census {
  int calls = 0;    // identifier tokens "getlangstr"
  int strings = 0;  // complete literals
};

Census Count(std::span<const std::string_view> lines) {
  TvScanner scanner(lines);
  scanner.directives = true;
  scanner.multi_line_literals = true;
  Census c;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
    if (scanner.Kind() == tkIdentifier && scanner.Token() == "getlangstr") ++c.calls;
    if (scanner.Kind() == tkString) ++c.strings;
  }
  return c;
}

// A byte the scanner would join with a call's letters into one word.
bool IsWordByte(char c) {
  return std::string_view(" \t\r\n()+-*/=<>!;,@':.{}").find(c) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t pattern = data[size - 1];
  std::optional<SourceText> text;
  try {
    text.emplace(std::string(reinterpret_cast<const char*>(data), size - 1), "fuzz.pas");
  } catch (const Error&) {
    return 0;
  }
  TConversionRun run({TCandidateRules::kSound, {}, /*follow_includes=*/false});
  TSourceUnit unit(std::move(*text), "fuzz.pas", run);
  Check(unit.FileCount() == 1);
  const auto lines = unit.File(0).text.Lines();
  auto line_size = [&](std::int32_t l) { return lines[static_cast<std::size_t>(l)].size(); };

  TLangStrings& strings = unit.Strings();
  bool plain = true;  // no marked literal glued to a word the call would merge with
  int marked = 0;
  std::tuple<int, int> last{-1, 0};
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    TLangStr& s = strings.Items(i);
    Check(s.LineIndex >= 0 && s.LineIndex <= s.last_line &&
          static_cast<std::size_t>(s.last_line) < lines.size());
    Check(s.StartPos >= 1 && static_cast<std::size_t>(s.StartPos) <= line_size(s.LineIndex));
    Check(s.NextPos >= 2 && static_cast<std::size_t>(s.NextPos - 1) <= line_size(s.last_line));
    Check(lines[static_cast<std::size_t>(s.LineIndex)][static_cast<std::size_t>(s.StartPos - 1)] ==
              '\'' &&
          lines[static_cast<std::size_t>(s.last_line)][static_cast<std::size_t>(s.NextPos - 2)] ==
              '\'');
    Check(std::tuple(s.LineIndex, s.StartPos) > last);
    last = {s.last_line, s.NextPos - 1};
    s.Chosen = (pattern >> (i % 8)) & 1;
    if (!s.Chosen) continue;
    ++marked;
    const std::string_view line = lines[static_cast<std::size_t>(s.LineIndex)];
    if (s.StartPos > 1 && IsWordByte(line[static_cast<std::size_t>(s.StartPos - 2)])) plain = false;
  }
  for (const TPCharArgument& a : unit.Facts().pchar_arguments) {
    Check(a.first >= 0 && a.first <= a.last && a.last < strings.Count());
    const TLangStr& first = strings.Items(a.first);
    const TLangStr& last_entry = strings.Items(a.last);
    Check(std::tuple(a.line, a.col) <= std::tuple(first.LineIndex, first.StartPos));
    Check(std::tuple(a.end_line, a.end_col) >=
          std::tuple(last_entry.last_line, last_entry.NextPos));
    Check(static_cast<std::size_t>(a.end_col - 1) <= line_size(a.end_line));
  }
  if (strings.Count() > 60000) return 0;

  const TUnitRewrite plan = PlanUnitRewrite(unit, 1);
  Check(static_cast<int>(plan.replaced.size()) == marked);
  std::string rewritten;
  try {
    rewritten = ApplyEdits(lines, plan.edits[0]);
  } catch (const Error&) {
    Check(false);  // planned edits must fit the lines and never overlap
  }
  if (plain) {
    const Census before = Count(lines);
    const SourceText after_text(rewritten, "rewritten.pas");
    const Census after = Count(after_text.Lines());
    Check(after.calls == before.calls + marked);
    Check(after.strings == before.strings - marked);
    if (plan.uses_added) {
      bool named = false;
      for (const std::string& u : UsedUnits(after_text.Lines())) named = named || u == "vlangrt";
      Check(named);
    }
  }
  return 0;
}
