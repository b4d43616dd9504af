#include "source/Restore.h"

#include <algorithm>
#include <map>
#include <optional>
#include <span>

#include "langfile/LangFile.h"
#include "platform/Bytes.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"

namespace polyverb {

std::string PascalLiteral(std::string_view text) {
  std::string out;
  bool quoted = false;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      if (quoted) out += '\'';
      quoted = false;
      out += c == '\r' ? "#13" : "#10";
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (quoted) out += '\'';
  return out.empty() ? "''" : out;
}

namespace {

constexpr std::string_view kCallName = "getlangstr";

// The scanner's word (lower-cased) ends with the call's name. To the scanner "[" and "^"
// are word characters, so p^[GetLangStr(5)] holds the word "p^[getlangstr".
bool EndsWithCallName(std::string_view word) {
  if (word.size() < kCallName.size() || word.substr(word.size() - kCallName.size()) != kCallName)
    return false;
  if (word.size() == kCallName.size()) return true;
  const char before = word[word.size() - kCallName.size() - 1];
  return !((before >= 'a' && before <= 'z') || (before >= '0' && before <= '9') || before == '_' ||
           static_cast<unsigned char>(before) >= 0x80);
}

// Columns [from, to) of line `index` hold a whole argument: "(" or "," before, ")" or ","
// after, blanks aside; an argument that starts or ends its line looks at the line before
// or after (an argument list over several lines).
bool IsWholeArgument(std::span<const std::string_view> lines, std::size_t index, std::size_t from,
                     std::size_t to) {
  const std::string_view line = lines[index];
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (from > 0 && blank(line[from - 1])) --from;
  while (to < line.size() && blank(line[to])) ++to;
  char before = from > 0 ? line[from - 1] : '\0';
  char after = to < line.size() ? line[to] : '\0';
  if (from == 0 && index > 0) {
    const std::string_view prev = lines[index - 1];
    const std::size_t last = prev.find_last_not_of(" \t");
    if (last != std::string_view::npos) before = prev[last];
  }
  if (to == line.size() && index + 1 < lines.size()) {
    const std::string_view next = lines[index + 1];
    const std::size_t first = next.find_first_not_of(" \t");
    if (first != std::string_view::npos) after = next[first];
  }
  return (before == '(' || before == ',') && (after == ')' || after == ',');
}

// The name of the routine whose argument list holds column `from` of `line`, when its
// "(" stands on this line; nullopt when it does not.
std::optional<std::string_view> RoutineOfArgument(std::string_view line, std::size_t from) {
  int depth = 0;
  for (std::size_t i = from; i-- > 0;) {
    if (line[i] == ')') ++depth;
    if (line[i] != '(') continue;
    if (depth-- > 0) continue;
    std::size_t end = i;
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
    std::size_t start = end;
    while (start > 0 && (IsAsciiLetter(line[start - 1]) || IsAsciiDigit(line[start - 1]) ||
                         line[start - 1] == '_'))
      --start;
    return line.substr(start, end - start);
  }
  return std::nullopt;
}

// A name the run-time unit vLangRT exports (runtime/vLangRT.pas), as the scanner gives
// identifiers, in lower case. A file that still names one keeps the unit.
bool NamesRunTimeUnit(std::string_view word) {
  static constexpr std::string_view kExports[] = {
      "getlangstr",           "langstrexists",           "loadlanguage",     "loadlanguagefile",
      "loadlanguagedata",     "loaddefaultlanguage",     "languagechosen",   "unloadlanguage",
      "langlasterror",        "langcurrentfile",         "langentrycount",   "langentrynumber",
      "langentrytag",         "langentrytext",           "makelangfilename", "makelangfilenamein",
      "langlowercase",        "langgroupcount",          "langgroupname",    "langgroupitemcount",
      "langgroupitemtext",    "langgroupitemvalue",      "langfindgroup",    "tvlangchangeproc",
      "addlangchangehandler", "removelangchangehandler", "langenvvar",       "langdefaultname"};
  return std::find(std::begin(kExports), std::end(kExports), word) != std::end(kExports);
}

// Takes the run-time unit out of the uses clauses where conversion put it, in the two
// forms it writes: " vLangRT," in a clause (after the word uses, or after the units that
// must come first), and a clause of its own,
// "\r\n\r\nuses vLangRT;", after `implementation` or the program heading. Only when
// nothing else in the file names what the unit exports. True when anything was removed.
bool RemoveRunTimeUses(std::vector<std::string>& lines) {
  struct Token {
    TTokenKind kind;
    std::string text;
    std::int32_t line, pos, next;
  };
  std::vector<Token> tokens;
  {
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    TvScanner scanner(views);
    for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken())
      tokens.push_back({scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
                        scanner.TokenPos(), scanner.NextPos()});
  }
  struct Found {
    std::size_t entry;  // token index of "vlangrt"
    bool own_clause;
  };
  std::vector<Found> found;
  for (std::size_t t = 1; t + 1 < tokens.size(); ++t) {
    if (tokens[t].text != "vlangrt" || (tokens[t + 1].text != "," && tokens[t + 1].text != ";"))
      continue;
    // An entry of its own clause follows the word uses; one put into a clause may also
    // follow the units that must come first.
    const bool own = tokens[t + 1].text == ";";
    if (own && (tokens[t - 1].kind != tkIdentifier || tokens[t - 1].text != "uses")) continue;
    found.push_back({t, own});
  }
  for (std::size_t t = 0; t < tokens.size(); ++t)
    if (tokens[t].kind == tkIdentifier && NamesRunTimeUnit(tokens[t].text)) return false;

  bool removed = false;
  // From the end, so that earlier lines and columns stay where the scan found them.
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    const Token& entry = tokens[it->entry];
    const Token& uses = tokens[it->entry - 1];
    const auto l = static_cast<std::size_t>(entry.line);
    std::string& line = lines[l];
    constexpr std::string_view kEntry = " vLangRT,";
    constexpr std::string_view kClause = "uses vLangRT;";
    if (!it->own_clause) {
      // The entry as written: a blank, the name, the comma.
      if (entry.pos < 2) continue;
      const auto at = static_cast<std::size_t>(entry.pos - 2);
      if (line.compare(at, kEntry.size(), kEntry) != 0) continue;
      line.erase(at, kEntry.size());
      removed = true;
    } else if (uses.line == entry.line && uses.pos == 1 && line.starts_with(kClause) && l >= 2 &&
               lines[l - 1].empty()) {
      lines[l - 2] += line.substr(kClause.size());
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(l - 1),
                  lines.begin() + static_cast<std::ptrdiff_t>(l + 1));
      removed = true;
    }
  }
  return removed;
}

}  // namespace

std::vector<TLangCall> FindLangCalls(std::span<const std::string_view> lines) {
  std::vector<TLangCall> calls;
  TvScanner scanner(lines);
  // The last four tokens: "getlangstr" "(" number ")" ends a call.
  struct Seen {
    TTokenKind kind = tkUnknown;
    std::string text;
    std::int32_t line = 0, pos = 0, next = 0;
  };
  Seen seen[4];
  scanner.Reset();
  while (!scanner.AtEnd()) {
    std::rotate(seen, seen + 1, seen + 4);
    seen[3] = {scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
               scanner.TokenPos(), scanner.NextPos()};
    scanner.NextToken();
    const Seen& name = seen[0];
    const Seen& number = seen[2];
    if (!EndsWithCallName(name.text) || seen[1].text != "(" || seen[1].kind != tkSymbol ||
        number.kind != tkNumber || seen[3].text != ")" || seen[3].kind != tkSymbol ||
        name.line != seen[3].line)
      continue;
    if (number.text.size() > 18 || number.text.find_first_not_of("0123456789") != std::string::npos)
      continue;  // "1e5" is a number token too
    const auto name_pos = name.pos + static_cast<std::int32_t>(name.text.size() - kCallName.size());
    TLangCall call{name.line, name_pos, seen[3].next, std::stoll(number.text)};
    // PChar( right before and ) right after, the whole of an argument: conversion wraps a
    // literal so that a routine taking a PChar gets one.
    const std::string_view line = lines[static_cast<std::size_t>(call.LineIndex)];
    const auto before = static_cast<std::size_t>(call.StartPos - 1);
    const auto after = static_cast<std::size_t>(call.NextPos - 1);
    // Conversion wraps a whole argument of a routine that takes a PChar; a PChar cast the
    // source had elsewhere stays.
    const bool wrapped =
        before >= 6 && line.substr(before - 6, 6) == "PChar(" && after < line.size() &&
        line[after] == ')' &&
        IsWholeArgument(lines, static_cast<std::size_t>(call.LineIndex), before - 6, after + 1);
    const std::optional<std::string_view> routine =
        wrapped ? RoutineOfArgument(line, before - 6) : std::nullopt;
    if (wrapped && (!routine || IsPCharRoutine(*routine))) {
      call.StartPos -= 6;
      call.NextPos += 1;
    }
    calls.push_back(call);
  }
  return calls;
}

namespace {

// The first text of each number, as the run-time units read a table that holds one twice.
std::map<long long, std::string_view> TextsByNumber(const TvLangFile& lang) {
  std::map<long long, std::string_view> texts;
  for (const TvIdentRec& rec : lang.Idents()) texts.emplace(rec.Number, rec.Text);
  return texts;
}

}  // namespace

TRestoreResult RestoreLangCalls(std::span<const std::string_view> lines, const TvLangFile& lang,
                                const std::function<bool(long long)>& selected) {
  TRestoreResult result;
  result.lines.assign(lines.begin(), lines.end());
  const std::map<long long, std::string_view> texts = TextsByNumber(lang);
  const std::vector<TLangCall> calls = FindLangCalls(lines);

  // What to splice where, found on the lines as read.
  struct Splice {
    std::size_t line, from, to;
    std::string with;
  };
  std::vector<Splice> splices;
  for (const TLangCall& call : calls) {
    const auto text = texts.find(call.Number);
    if (!selected(call.Number) || text == texts.end()) {
      if (selected(call.Number)) result.missing.push_back(call);
      result.remaining.insert(call.Number);
      continue;
    }
    const std::string_view line = lines[static_cast<std::size_t>(call.LineIndex)];
    auto from = static_cast<std::size_t>(call.StartPos - 1);
    auto to = static_cast<std::size_t>(call.NextPos - 1);
    const std::string annotation = Annotation(text->second);
    if (line.substr(to, annotation.size()) == annotation) to += annotation.size();
    // A "+" glued between a character code and the call is the conversion's.
    if (from >= 1 && line[from - 1] == '+' &&
        GlueAt(line, static_cast<std::int32_t>(from), static_cast<std::int32_t>(from + 1)).before)
      --from;
    if (to < line.size() && line[to] == '+' &&
        GlueAt(line, 1, static_cast<std::int32_t>(to + 2)).after)
      ++to;
    TRestoredCall restored{call, std::string(line.substr(from, to - from)),
                           PascalLiteral(text->second)};
    splices.push_back({static_cast<std::size_t>(call.LineIndex), from, to, restored.literal});
    result.restored.push_back(std::move(restored));
  }
  // Right to left within a line, so the columns found on the line as read stay right.
  for (auto it = splices.rbegin(); it != splices.rend(); ++it)
    result.lines[it->line].replace(it->from, it->to - it->from, it->with);
  // The run-time unit went into the uses clause with the first call; it goes with the last.
  if (result.remaining.empty() && !result.restored.empty())
    result.uses_removed = RemoveRunTimeUses(result.lines);
  return result;
}

}  // namespace polyverb
