#include "source/UnitRewrite.h"

#include <algorithm>
#include <tuple>

#include "platform/Error.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"
#include "source/SoundExtraction.h"
#include "source/SourceProcessing.h"

namespace polyverb {
namespace {

struct Token {
  TTokenKind kind = tkUnknown;
  std::string text;  // lower case
  std::int32_t line = 0;
  std::int32_t next = 1;
  std::int32_t end_line = 0;
};

std::vector<Token> Tokens(std::span<const std::string_view> lines) {
  TvScanner scanner(lines);
  for (std::string_view w : {"uses", "implementation", "program", "library"})
    scanner.Keywords.Add(w);
  scanner.directives = true;
  scanner.multi_line_literals = true;
  std::vector<Token> tokens;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
    Token t{scanner.Kind(), "", scanner.LineIndex(), scanner.NextPos(), scanner.EndLineIndex()};
    if (t.kind != tkString && t.kind != tkNumber && t.kind != tkUnknown)
      t.text = std::string(scanner.Token());
    tokens.push_back(std::move(t));
  }
  return tokens;
}

bool IsWord(const Token& t, std::string_view lower) {
  return t.kind == tkKeyword && t.text == lower;
}
bool IsSymbol(const Token& t, std::string_view symbol) {
  return t.kind == tkSymbol && t.text == symbol;
}

// The index of the ";" that ends the uses clause at `uses` (tokens.size() when none).
std::size_t ClauseEnd(const std::vector<Token>& tokens, std::size_t uses) {
  std::size_t t = uses + 1;
  while (t < tokens.size() && !IsSymbol(tokens[t], ";")) ++t;
  return t;
}

// Units a program must initialise before any other: memory managers and the thread and
// wide-string managers (cthreads stops the program with runtime error 211 when a unit
// started before it).
bool MustComeFirst(std::string_view unit) {
  for (std::string_view first : {"cmem", "cthreads", "cwstring", "heaptrc", "lineinfo", "sharemem",
                                 "fastmm4", "fastmm5", "simplesharemem"})
    if (unit == first) return true;
  return false;
}

// The token after which the run-time unit goes in the clause at `uses`: the word itself,
// or the last of the units that must come first (with the comma after it, or a whole
// conditional block of them), never inside an open conditional block.
std::size_t EntryAnchor(const std::vector<Token>& tokens, std::size_t uses) {
  std::size_t anchor = uses;
  int open = 0;
  for (std::size_t t = uses + 1; t < tokens.size(); ++t) {
    if (tokens[t].kind == tkDirective) {
      const std::string name = DirectiveName(tokens[t].text);
      if (name.starts_with("IF") && name != "IFEND")
        ++open;
      else if ((name == "ENDIF" || name == "IFEND") && open > 0)
        --open;
      else if (name.starts_with("ELSE"))
        break;
      if (open == 0) anchor = t;
    } else if (tokens[t].kind == tkIdentifier && MustComeFirst(tokens[t].text) &&
               t + 1 < tokens.size() && IsSymbol(tokens[t + 1], ",")) {
      ++t;
      if (open == 0) anchor = t;
    } else {
      break;
    }
  }
  // Directives alone after the word (no unit skipped) change nothing.
  for (std::size_t t = uses + 1; t <= anchor && anchor != uses; ++t)
    if (tokens[t].kind == tkIdentifier) return anchor;
  return uses;
}

std::vector<std::string> UsedUnits(const std::vector<Token>& tokens) {
  std::vector<std::string> units;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    if (!IsWord(tokens[t], "uses")) continue;
    const std::size_t end = ClauseEnd(tokens, t);
    bool dotted = false;  // the next name continues the last one
    for (std::size_t k = t + 1; k < end; ++k) {
      if (IsSymbol(tokens[k], ".")) {
        dotted = !units.empty();
        if (dotted) units.back() += '.';
      } else if (tokens[k].kind == tkIdentifier) {
        if (dotted)
          units.back() += tokens[k].text;
        else if (k == t + 1 || IsSymbol(tokens[k - 1], ",") || tokens[k - 1].kind == tkDirective ||
                 IsWord(tokens[k - 1], "uses"))
          units.push_back(tokens[k].text);
        dotted = false;
      }
    }
    t = end;
  }
  return units;
}

// The glue of a literal that may span lines: before it on its first line, after it on
// its last.
TGlue GlueOf(const TSourceUnit& unit, const TLangStr& s) {
  TGlue glue;
  glue.before = GlueAt(unit.Line(s.LineIndex), s.StartPos, 0).before;
  glue.after = GlueAt(unit.Line(s.last_line), 1, s.NextPos).after;
  return glue;
}

}  // namespace

std::string ApplyEdits(std::span<const std::string_view> lines, std::vector<TLineEdit> edits) {
  // Insertions (empty span) sort before a replacement that starts at the same place.
  auto key = [](const TLineEdit& e) {
    const int replaces = e.line == e.end_line && e.col == e.end_col ? 0 : 1;
    return std::tuple(e.line, e.col, replaces);
  };
  std::stable_sort(edits.begin(), edits.end(),
                   [&](const TLineEdit& a, const TLineEdit& b) { return key(a) < key(b); });
  std::size_t size = 0;
  for (std::string_view l : lines) size += l.size() + 2;
  for (const TLineEdit& e : edits) size += e.text.size();
  std::string out;
  out.reserve(size);

  const auto count = static_cast<std::int32_t>(lines.size());
  std::int32_t line = 0, col = 1;  // everything before this place is in `out`
  auto text_of = [&](std::int32_t l) { return lines[static_cast<std::size_t>(l)]; };
  auto copy_to = [&](std::int32_t to_line, std::int32_t to_col) {
    for (; line < to_line; ++line, col = 1) {
      out += text_of(line).substr(static_cast<std::size_t>(col - 1));
      out += "\r\n";
    }
    out += text_of(line).substr(static_cast<std::size_t>(col - 1),
                                static_cast<std::size_t>(to_col - col));
    col = to_col;
  };
  for (const TLineEdit& e : edits) {
    const bool inside = e.line >= 0 && e.end_line < count &&
                        std::tie(e.line, e.col) <= std::tie(e.end_line, e.end_col) && e.col >= 1 &&
                        static_cast<std::size_t>(e.col - 1) <= text_of(e.line).size() &&
                        e.end_col >= 1 &&
                        static_cast<std::size_t>(e.end_col - 1) <= text_of(e.end_line).size();
    if (!inside)
      throw Error("An edit at line " + std::to_string(e.line + 1) + ", column " +
                  std::to_string(e.col) + " lies outside the source");
    if (std::tie(e.line, e.col) < std::tie(line, col))
      throw Error("Two edits overlap at line " + std::to_string(e.line + 1) + ", column " +
                  std::to_string(e.col));
    copy_to(e.line, e.col);
    out += e.text;
    line = e.end_line;
    col = e.end_col;
  }
  if (count > 0) {
    copy_to(count - 1, static_cast<std::int32_t>(text_of(count - 1).size()) + 1);
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> UsedUnits(std::span<const std::string_view> lines) {
  return UsedUnits(Tokens(lines));
}

TUsesEdit RunTimeUsesEdit(std::span<const std::string_view> lines, bool is_unit) {
  const std::vector<Token> tokens = Tokens(lines);
  TUsesEdit result;
  for (const std::string& used : UsedUnits(tokens))
    for (std::string_view unit : kRunTimeUnits)
      if (used == unit) {
        result.step = TUsesStep::kAlreadyUsed;
        return result;
      }

  // The token after which the section's uses clause stands.
  std::optional<std::size_t> anchor;
  for (std::size_t t = 0; t < tokens.size() && !anchor; ++t) {
    if (is_unit && IsWord(tokens[t], "implementation")) anchor = t;
    if (!is_unit && (IsWord(tokens[t], "program") || IsWord(tokens[t], "library"))) {
      std::size_t semicolon = t + 1;
      while (semicolon < tokens.size() && !IsSymbol(tokens[semicolon], ";")) ++semicolon;
      if (semicolon == tokens.size()) break;
      anchor = semicolon;
    }
  }
  if (!anchor) return result;  // kNoPlace

  result.step = TUsesStep::kAdd;
  const std::string entry = " " + std::string(kRunTimeUsesEntry) + ",";
  // Each branch of a conditional may open the clause with its own "uses".
  for (std::size_t t = *anchor + 1; t < tokens.size();) {
    if (tokens[t].kind == tkDirective) {
      ++t;
    } else if (IsWord(tokens[t], "uses")) {
      const Token& at = tokens[EntryAnchor(tokens, t)];
      result.edits.push_back({at.end_line, at.next, at.end_line, at.next, entry});
      t = ClauseEnd(tokens, t) + 1;
    } else {
      break;
    }
  }
  if (result.edits.empty()) {
    // A program's clause goes after the directives that follow its heading ({$MODE} must
    // come before it), but not into a conditional block they open.
    if (!is_unit) {
      int open = 0;
      for (std::size_t t = *anchor + 1; t < tokens.size() && tokens[t].kind == tkDirective; ++t) {
        const std::string name = DirectiveName(tokens[t].text);
        if (name.starts_with("IF") && name != "IFEND") ++open;
        if ((name == "ENDIF" || name == "IFEND") && open > 0) --open;
        if (open == 0) anchor = t;
      }
    }
    const Token& at = tokens[*anchor];
    result.edits.push_back({at.end_line, at.next, at.end_line, at.next,
                            "\r\n\r\nuses " + std::string(kRunTimeUsesEntry) + ";"});
  }
  return result;
}

TUnitRewrite PlanUnitRewrite(const TSourceUnit& unit, std::uint16_t first) {
  const TLangStrings& strings = unit.Strings();
  const std::size_t files = unit.FileCount();
  TUnitRewrite plan;
  plan.edits.resize(files);
  plan.written.assign(files, false);
  plan.replaced_in.assign(files, 0);

  // Where a PChar wrap opens and closes, to show it with the literal it touches.
  const auto& arguments = unit.Facts().pchar_arguments;
  std::vector<bool> wrapped(arguments.size(), false);
  for (std::size_t a = 0; a < arguments.size(); ++a)
    for (std::int32_t i = arguments[a].first; i <= arguments[a].last && !wrapped[a]; ++i)
      wrapped[a] = strings.Items(i).Chosen;

  auto number = first;
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    const std::size_t f = unit.FileOf(s.LineIndex);
    plan.written[f] = true;
    if (!s.Chosen) continue;
    const std::int32_t base = unit.File(f).first_line;
    std::string text =
        Replacement(number, GlueOf(unit, s), AnnotateCalls() ? Annotation(s.Text) : std::string());
    plan.edits[f].push_back({s.LineIndex - base, s.StartPos, s.last_line - base, s.NextPos, text});
    for (std::size_t a = 0; a < arguments.size(); ++a) {
      if (!wrapped[a]) continue;
      if (arguments[a].line == s.LineIndex && arguments[a].col == s.StartPos)
        text.insert(0, kPCharOpen);
      if (arguments[a].end_line == s.last_line && arguments[a].end_col == s.NextPos)
        text += kPCharClose;
    }
    plan.replaced.push_back({i, number, std::move(text)});
    ++plan.replaced_in[f];
    ++number;
  }
  for (std::size_t a = 0; a < arguments.size(); ++a) {
    if (!wrapped[a]) continue;
    const TPCharArgument& arg = arguments[a];
    const std::size_t f = unit.FileOf(arg.line);
    const std::int32_t base = unit.File(f).first_line;
    plan.edits[f].push_back(
        {arg.line - base, arg.col, arg.line - base, arg.col, std::string(kPCharOpen)});
    plan.edits[f].push_back({arg.end_line - base, arg.end_col, arg.end_line - base, arg.end_col,
                             std::string(kPCharClose)});
  }

  if (!plan.replaced.empty() || unit.IncludesRewritten()) {
    TUsesEdit uses = RunTimeUsesEdit(unit.File(0).text.Lines(), unit.Facts().is_unit);
    plan.uses = uses.step;
    if (uses.step == TUsesStep::kAdd) {
      for (TLineEdit& e : uses.edits) plan.edits[0].push_back(std::move(e));
      plan.written[0] = true;
      plan.uses_added = true;
    }
  }
  return plan;
}

}  // namespace polyverb
