#include "source/LiteralContext.h"

#include <algorithm>
#include <cstdint>

#include "platform/Bytes.h"
#include "source/Scanner.h"

namespace polyverb {
namespace {

enum class TokKind : std::uint8_t { kWord, kNumber, kSymbol, kString, kCode, kOther };

// A token as the rules see it. The scanner takes "[", "]" and "^" for word characters
// (Values['k'] starts with the word "Values["); here they are symbols of their own.
struct Tok {
  TokKind kind = TokKind::kOther;
  std::string_view text;  // as written; for a literal, what stands between its quotes
  std::int32_t line = 0;
  std::int32_t pos = 0;
  bool debug = false;  // inside a debug-only conditional block
  int routine = -1;    // index into the routine names, -1 before the first routine
};

bool IsWordChar(char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_';
}

bool Is(const Tok& t, std::string_view text) {
  return (t.kind == TokKind::kSymbol || t.kind == TokKind::kWord) && SameTextAscii(t.text, text);
}

// ---- conditional directives ----

// A conditional symbol that only a developer's build defines.
bool IsDebugSymbol(std::string_view symbol) {
  const std::string lower = AsciiLowerCase(symbol);
  if (lower.find("debug") != std::string::npos || lower.find("verbose") != std::string::npos)
    return true;
  for (const std::string& part : NameParts(symbol))
    if (part == "dbg" || part == "trace" || part == "dump" || part == "check" || part == "log" ||
        part == "logging")
      return true;
  return false;
}

// The nesting of {$IF...} blocks, each remembering whether its current branch is
// debug-only.
class DebugBlocks {
 public:
  bool Inside() const {
    return std::any_of(frames_.begin(), frames_.end(), [](const Frame& f) { return f.debug; });
  }

  // `content` is the comment's text after "{$" or "(*$".
  void Directive(std::string_view content) {
    std::size_t n = 0;
    while (n < content.size() && IsAsciiLetter(content[n])) ++n;
    const std::string name = AsciiLowerCase(content.substr(0, n));
    std::string_view rest = content.substr(n);
    if (name == "ifdef" || name == "ifndef" || name == "if" || name == "ifopt") {
      bool mentions = false;
      bool negated = name == "ifndef";
      std::size_t i = 0;
      while (i < rest.size()) {
        if (!IsWordChar(rest[i])) {
          ++i;
          continue;
        }
        std::size_t j = i;
        while (j < rest.size() && IsWordChar(rest[j])) ++j;
        const std::string_view word = rest.substr(i, j - i);
        if (SameTextAscii(word, "not")) negated = true;
        if (IsDebugSymbol(word)) mentions = true;
        if (name != "if") break;  // one symbol; the rest is a comment
        i = j;
      }
      const bool tests = name != "ifopt" && mentions;
      frames_.push_back({tests, tests && !negated});
    } else if (name == "else" && !frames_.empty()) {
      Frame& f = frames_.back();
      if (f.tests_debug) f.debug = !f.debug;
    } else if (name == "elseif" && !frames_.empty()) {
      frames_.back().debug = false;
    } else if ((name == "endif" || name == "ifend") && !frames_.empty()) {
      frames_.pop_back();
    }
  }

 private:
  struct Frame {
    bool tests_debug = false;  // the condition names a debug symbol
    bool debug = false;        // the branch being read is debug-only
  };
  std::vector<Frame> frames_;
};

// Reads the comments between two tokens (from line `line`, column `col` up to the next
// token) and hands every directive to `blocks`. The scanner skipped exactly these.
void ReadGap(std::span<const std::string_view> lines, std::int32_t line, std::int32_t col,
             std::int32_t to_line, std::int32_t to_col, DebugBlocks& blocks) {
  auto before_token = [&] { return line < to_line || (line == to_line && col < to_col); };
  while (before_token() && static_cast<std::size_t>(line) < lines.size()) {
    const std::string_view s = lines[static_cast<std::size_t>(line)];
    if (col < 1 || static_cast<std::size_t>(col) > s.size()) {
      ++line;
      col = 1;
      continue;
    }
    const std::size_t at = static_cast<std::size_t>(col - 1);
    if (s.compare(at, 2, "//") == 0) {
      ++line;
      col = 1;
      continue;
    }
    std::string_view closer;
    std::size_t open = 0;
    if (s[at] == '{') {
      closer = "}";
      open = 1;
    } else if (s.compare(at, 2, "(*") == 0) {
      closer = "*)";
      open = 2;
    } else {
      ++col;
      continue;
    }
    const std::string_view first = s.substr(at + open);
    std::size_t found = s.find(closer, at + open);
    if (!first.empty() && first[0] == '$')
      blocks.Directive(first.substr(
          1, found == std::string_view::npos ? std::string_view::npos : found - at - open - 1));
    while (found == std::string_view::npos) {
      if (static_cast<std::size_t>(++line) >= lines.size()) return;
      found = lines[static_cast<std::size_t>(line)].find(closer);
    }
    col = static_cast<std::int32_t>(found + closer.size()) + 1;
  }
}

// ---- tokens ----

// Splits a scanner word at "[", "]" and "^" and classifies the pieces.
void AddWordPieces(std::string_view word, const Tok& proto, std::vector<Tok>& out) {
  std::size_t i = 0;
  while (i < word.size()) {
    Tok t = proto;
    t.pos = proto.pos + static_cast<std::int32_t>(i);
    const char c = word[i];
    std::size_t j = i + 1;
    if (c == '[' || c == ']' || c == '^') {
      t.kind = TokKind::kSymbol;
    } else {
      while (j < word.size() && word[j] != '[' && word[j] != ']' && word[j] != '^') ++j;
      if (c == '#')
        t.kind = TokKind::kCode;
      else if (IsAsciiDigit(c) || c == '$')
        t.kind = TokKind::kNumber;
      else if (IsAsciiLetter(c) || c == '_' || c == '&')
        t.kind = TokKind::kWord;
      else
        t.kind = TokKind::kOther;
    }
    t.text = word.substr(i, j - i);
    out.push_back(t);
    i = j;
  }
}

bool StartsRoutine(const Tok& t) {
  return t.kind == TokKind::kWord &&
         (SameTextAscii(t.text, "procedure") || SameTextAscii(t.text, "function") ||
          SameTextAscii(t.text, "constructor") || SameTextAscii(t.text, "destructor"));
}

// Unit names of the unit test frameworks in use with Pascal.
bool IsTestFramework(std::string_view unit) {
  for (std::string_view name : {"fpcunit", "testregistry", "testframework", "testdecorator",
                                "consoletestrunner", "guitestrunner", "punit", "dunitx"})
    if (SameTextAscii(unit, name)) return true;
  return false;
}

struct FileTokens {
  std::vector<Tok> toks;
  std::vector<std::string> routines;
  bool test_code = false;
};

// "A.B.C" from the word at k on.
std::string DottedNameAfter(const std::vector<Tok>& toks, std::size_t k) {
  std::string name;
  while (k < toks.size() && toks[k].kind == TokKind::kWord) {
    if (!name.empty()) name += '.';
    name += toks[k].text;
    if (k + 2 < toks.size() && Is(toks[k + 1], ".")) {
      k += 2;
      continue;
    }
    break;
  }
  return name;
}

void ReadTokens(std::span<const std::string_view> lines, FileTokens& file) {
  TvScanner scanner(lines);
  DebugBlocks blocks;
  std::int32_t gap_line = 0;
  std::int32_t gap_col = 1;
  scanner.Reset();
  while (!scanner.AtEnd()) {
    ReadGap(lines, gap_line, gap_col, scanner.LineIndex(), scanner.TokenPos(), blocks);
    Tok t;
    t.debug = blocks.Inside();
    t.line = scanner.LineIndex();
    t.pos = scanner.TokenPos();
    const std::string_view line = lines[static_cast<std::size_t>(t.line)];
    const auto from = static_cast<std::size_t>(t.pos - 1);
    const std::size_t length =
        from < line.size()
            ? std::min<std::size_t>(line.size() - from,
                                    static_cast<std::size_t>(scanner.NextPos() - t.pos))
            : 0;
    const std::string_view written = line.substr(std::min(from, line.size()), length);
    if (scanner.Kind() == tkString) {
      // Between the quotes, as written; the rules read a candidate's value from its entry.
      t.kind = TokKind::kString;
      t.text = written.size() >= 2 ? written.substr(1, written.size() - 2) : written;
      file.toks.push_back(t);
    } else if (scanner.Kind() == tkSymbol) {
      t.kind = TokKind::kSymbol;
      t.text = written;
      file.toks.push_back(t);
    } else if (!written.empty() && written != "'") {  // not an unterminated literal
      AddWordPieces(written, t, file.toks);
    }
    gap_line = scanner.LineIndex();
    gap_col = scanner.NextPos();
    scanner.NextToken();
  }

  // Routine names and the units used.
  int routine = -1;
  bool in_uses = false;
  for (std::size_t k = 0; k < file.toks.size(); ++k) {
    Tok& t = file.toks[k];
    if (StartsRoutine(t) && k + 1 < file.toks.size() && file.toks[k + 1].kind == TokKind::kWord &&
        !Is(file.toks[k + 1], "of")) {
      file.routines.push_back(DottedNameAfter(file.toks, k + 1));
      routine = static_cast<int>(file.routines.size()) - 1;
    }
    t.routine = routine;
    if (t.kind == TokKind::kWord && SameTextAscii(t.text, "uses")) in_uses = true;
    if (in_uses && Is(t, ";")) in_uses = false;
    if (in_uses && t.kind == TokKind::kWord && IsTestFramework(t.text)) file.test_code = true;
  }
}

// The designator that ends with the token at `end` ("Form1.lblTotal.Caption"): words
// joined by "."; a dereference "^" and an index or call group in between are stepped over.
std::string DesignatorBefore(const std::vector<Tok>& toks, std::ptrdiff_t end) {
  std::vector<std::string_view> parts;
  std::ptrdiff_t k = end;
  while (k >= 0) {
    if (Is(toks[static_cast<std::size_t>(k)], ")") || Is(toks[static_cast<std::size_t>(k)], "]")) {
      const std::string_view close = toks[static_cast<std::size_t>(k)].text;
      const std::string_view open = close == ")" ? "(" : "[";
      int depth = 0;
      for (; k >= 0; --k) {
        if (Is(toks[static_cast<std::size_t>(k)], close)) ++depth;
        if (Is(toks[static_cast<std::size_t>(k)], open) && --depth == 0) break;
      }
      --k;
      continue;
    }
    if (Is(toks[static_cast<std::size_t>(k)], "^")) {
      --k;
      continue;
    }
    if (toks[static_cast<std::size_t>(k)].kind != TokKind::kWord) break;
    parts.push_back(toks[static_cast<std::size_t>(k)].text);
    if (k >= 1 && Is(toks[static_cast<std::size_t>(k - 1)], ".")) {
      k -= 2;
      continue;
    }
    break;
  }
  std::string name;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    if (!name.empty()) name += '.';
    name += *it;
  }
  return name;
}

// Words that end the statement a backward walk is in.
bool EndsStatement(const Tok& t) {
  if (Is(t, ";")) return true;
  if (t.kind != TokKind::kWord) return false;
  for (std::string_view w : {"begin", "then", "else", "do", "of", "try", "except", "finally",
                             "repeat", "until", "otherwise", "if", "while", "case", "with"})
    if (SameTextAscii(t.text, w)) return true;
  return false;
}

void FillContext(const FileTokens& file, std::size_t at, TLiteralContext& c) {
  const std::vector<Tok>& toks = file.toks;
  const Tok& self = toks[at];
  c.debug_block = self.debug;
  c.test_code = file.test_code;
  if (self.routine >= 0) c.routine = file.routines[static_cast<std::size_t>(self.routine)];

  auto tok = [&](std::ptrdiff_t k) -> const Tok* {
    return k >= 0 && static_cast<std::size_t>(k) < toks.size() ? &toks[static_cast<std::size_t>(k)]
                                                               : nullptr;
  };
  const auto i = static_cast<std::ptrdiff_t>(at);
  // Character codes glued to the literal ('abc'#13#10) belong to the same operand.
  std::ptrdiff_t before = i - 1;
  while (tok(before) && tok(before)->kind == TokKind::kCode) --before;
  std::ptrdiff_t after = i + 1;
  while (tok(after) && tok(after)->kind == TokKind::kCode) ++after;
  const Tok* prev = tok(before);
  const Tok* next = tok(after);
  const Tok* next2 = tok(after + 1);
  c.joined = (prev && Is(*prev, "+")) || (next && Is(*next, "+"));
  c.compared = (prev && (Is(*prev, "=") || Is(*prev, "<>"))) ||
               (next && (Is(*next, "=") || Is(*next, "<>")));
  if (next && next2 && Is(*next, ",") && next2->kind == TokKind::kString)
    c.next_literal = next2->text;
  c.range = (next && next2 && Is(*next, ".") && Is(*next2, ".")) ||
            (prev && tok(before - 1) && Is(*prev, ".") && Is(*tok(before - 1), "."));

  // Walk back to the start of the statement, leaving each enclosing bracket on the way.
  int args = 0;
  int parens = 0;
  int brackets = 0;
  bool enclosed = false;  // some bracket or parenthesis encloses the literal
  for (std::ptrdiff_t k = before; k >= 0; --k) {
    const Tok& t = toks[static_cast<std::size_t>(k)];
    if (Is(t, ")")) {
      ++parens;
    } else if (Is(t, "]")) {
      ++brackets;
    } else if (Is(t, "(")) {
      if (parens > 0) {
        --parens;
        continue;
      }
      enclosed = true;
      TCallPlace call;
      call.name = DesignatorBefore(toks, k - 1);
      call.argument = args;
      const Tok* a0 = tok(k + 1);
      const Tok* a1 = tok(k + 2);
      if (a0 && a1 && a0->kind == TokKind::kWord && Is(*a1, ","))
        call.first_arg = AsciiLowerCase(a0->text);
      args = 0;
      if (!call.name.empty()) c.calls.push_back(std::move(call));
    } else if (Is(t, "[")) {
      if (brackets > 0) {
        --brackets;
        continue;
      }
      const Tok* owner = tok(k - 1);
      if (c.calls.empty() && c.indexed.empty() && !c.in_brackets && !enclosed) {
        if (owner && (owner->kind == TokKind::kWord || Is(*owner, ")") || Is(*owner, "]")) &&
            !EndsStatement(*owner) && !SameTextAscii(owner->text, "in"))
          c.indexed = DesignatorBefore(toks, k - 1);
        else
          c.in_brackets = true;
      }
      enclosed = true;
      args = 0;
    } else if (parens > 0 || brackets > 0) {
      continue;
    } else if (Is(t, ",")) {
      ++args;
    } else if (Is(t, ":=")) {
      c.target = DesignatorBefore(toks, k - 1);
      break;
    } else if (t.kind == TokKind::kWord && SameTextAscii(t.text, "raise")) {
      c.raised = true;
      break;
    } else if (EndsStatement(t)) {
      break;
    }
  }
  c.width = next && Is(*next, ":") && !c.calls.empty();
  c.case_label = next && Is(*next, ":") && c.calls.empty() && !enclosed && c.target.empty();
}

}  // namespace

std::vector<std::string> NameParts(std::string_view name) {
  std::vector<std::string> parts;
  std::string part;
  auto flush = [&] {
    if (!part.empty()) parts.push_back(AsciiLowerCase(part));
    part.clear();
  };
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (!IsAsciiLetter(c)) {
      flush();
      continue;
    }
    const bool upper = c >= 'A' && c <= 'Z';
    if (upper && !part.empty()) {
      const char prev = part.back();
      const bool prev_upper = prev >= 'A' && prev <= 'Z';
      const bool next_lower = i + 1 < name.size() && name[i + 1] >= 'a' && name[i + 1] <= 'z';
      // "aB" starts a word; so does the last capital of a run before lower case: "HTMLFile".
      if (!prev_upper || next_lower) flush();
    }
    part += c;
  }
  flush();
  return parts;
}

std::vector<TLiteralContext> LiteralContexts(std::span<const std::string_view> lines,
                                             const TLangStrings& strings) {
  std::vector<TLiteralContext> contexts(static_cast<std::size_t>(strings.Count()));
  if (contexts.empty()) return contexts;
  FileTokens file;
  ReadTokens(lines, file);
  for (std::int32_t n = 0; n < strings.Count(); ++n) {
    const TLangStr& s = strings.Items(n);
    TLiteralContext& c = contexts[static_cast<std::size_t>(n)];
    c.text = s.Text;
    const auto found =
        std::lower_bound(file.toks.begin(), file.toks.end(), std::pair{s.LineIndex, s.StartPos},
                         [](const Tok& t, const std::pair<std::int32_t, std::int32_t>& place) {
                           return std::pair{t.line, t.pos} < place;
                         });
    if (found != file.toks.end() && found->kind == TokKind::kString && found->line == s.LineIndex &&
        found->pos == s.StartPos)
      FillContext(file, static_cast<std::size_t>(found - file.toks.begin()), c);
  }
  return contexts;
}

}  // namespace polyverb
