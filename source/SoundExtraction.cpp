#include "source/SoundExtraction.h"

#include <array>
#include <utility>

#include "platform/Bytes.h"
#include "source/LiteralExtraction.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"

namespace polyverb {
namespace {

// The words the sound rules react to. They are registered as the scanner's keywords so
// that a plain identifier costs no more than a table probe.
enum class Word : std::uint8_t {
  kOther,
  kProgram,
  kImplementation,
  kTry,
  kCase,
  kBegin,
  kEnd,
  kAsm,
  kRepeat,
  kUntil,
  kOf,
  kElse,
  kOtherwise,
  kConst,
  kIn,
  kUnit,
  kLibrary,
  kPackage,
};

constexpr std::pair<std::string_view, Word> kWords[] = {
    {"program", Word::kProgram}, {"implementation", Word::kImplementation},
    {"try", Word::kTry},         {"case", Word::kCase},
    {"begin", Word::kBegin},     {"end", Word::kEnd},
    {"asm", Word::kAsm},         {"repeat", Word::kRepeat},
    {"until", Word::kUntil},     {"of", Word::kOf},
    {"else", Word::kElse},       {"otherwise", Word::kOtherwise},
    {"const", Word::kConst},     {"in", Word::kIn},
    {"unit", Word::kUnit},       {"library", Word::kLibrary},
    {"package", Word::kPackage}};

Word Classify(std::string_view lower) {
  for (const auto& [text, word] : kWords)
    if (text == lower) return word;
  return Word::kOther;
}

// Include directives may nest this deep; deeper ones are skipped (a cycle the resolver
// did not catch ends here too).
constexpr int kMaxIncludeNesting = 32;

// Where a token stood, so that its text can be had again when a key is formed.
struct TokenPlace {
  std::span<const std::string_view> lines;
  TTokenKind kind = tkUnknown;
  std::int32_t line = 0;
  std::int32_t pos = 1;
  std::int32_t next = 1;  // pos == next: no token yet
};

std::string_view TextAt(const TokenPlace& t, std::string& scratch) {
  if (t.pos == t.next || t.lines.empty()) return {};
  const std::string_view line = t.lines[static_cast<std::size_t>(t.line)];
  if (t.kind == tkUnknown && line[static_cast<std::size_t>(t.pos - 1)] == '\'') return "'";
  if (t.kind == tkString && t.next > static_cast<std::int32_t>(line.size()) + 1) return {};
  const std::string_view written =
      line.substr(static_cast<std::size_t>(t.pos - 1),
                  std::min(static_cast<std::size_t>(t.next - t.pos), line.size()));
  if (t.kind != tkString) return written;
  scratch = TvScanner::UnquoteString(written);
  return scratch;
}

// One byte, or one whole UTF-8 sequence: what a Char (or a WideChar) constant can hold.
bool IsOneCharacter(std::string_view text) {
  if (text.size() == 1) return true;
  if (text.size() < 2 || text.size() > 4) return false;
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (length != text.size()) return false;
  for (std::size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
  return true;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// ".." right before column `pos` or right from column `next` on, blanks aside. The
// classic scanner reads ".." as two symbols, so the characters say it more plainly.
bool NextToRange(std::string_view first_line, std::int32_t pos, std::string_view last_line,
                 std::int32_t next) {
  auto before = static_cast<std::size_t>(pos - 1);
  while (before > 0 && IsBlank(first_line[before - 1])) --before;
  if (before >= 2 && first_line.substr(before - 2, 2) == "..") return true;
  auto after = static_cast<std::size_t>(next - 1);
  while (after < last_line.size() && IsBlank(last_line[after])) ++after;
  return last_line.substr(std::min(after, last_line.size()), 2) == "..";
}

// A word made only of character codes: #13, #$0D, ^M and runs of them.
bool IsCharCodes(std::string_view word) {
  std::size_t i = 0;
  if (word.empty()) return false;
  while (i < word.size()) {
    if (word[i] == '#') {
      ++i;
      const bool hex = i < word.size() && word[i] == '$';
      if (hex) ++i;
      const std::size_t from = i;
      while (i < word.size() && (hex ? IsAsciiHexDigit(word[i]) : IsAsciiDigit(word[i]))) ++i;
      if (i == from) return false;
    } else if (word[i] == '^' && i + 1 < word.size()) {
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

// The upper-cased name of a directive ("IFDEF") and what follows it up to the closer.
struct Directive {
  std::string name;
  std::string_view argument;
};

Directive ParseDirective(std::string_view text) {
  Directive d;
  std::size_t at = text.starts_with("(*") ? 3 : 2;  // past "{$" or "(*$"
  const std::size_t close = text.ends_with("*)") ? text.size() - 2 : text.size() - 1;
  while (at < close) {
    const char c = text[at];
    const bool part = IsAsciiLetter(c) || c == '_' || (IsAsciiDigit(c) && !d.name.empty());
    if (!part) break;
    d.name += AsciiUpper(c);
    ++at;
  }
  if (at <= close) d.argument = text.substr(at, close - at);
  return d;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || IsLineEndChar(s.front()))) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || IsLineEndChar(s.back()))) s.remove_suffix(1);
  return s;
}

// ---- the scan ----

enum class CasePart : std::uint8_t { kSelector, kLabels, kArm, kElse };

// An open case: its labels are read at the depth, parenthesis and repeat nesting it raised.
struct CaseFrame {
  int depth = 0;
  std::size_t parens = 0;
  int repeats = 0;
  CasePart part = CasePart::kSelector;
};

// An open parenthesis. For a call of a routine taking PChar, the current argument is
// followed: pure while it holds only string constants.
struct ParenFrame {
  bool pchar = false;
  bool pure = true;
  bool has_piece = false;
  TPCharArgument argument;
  std::int32_t file_first = 0;         // first_line of the file the argument began in
  std::int32_t candidates_before = 0;  // the list's Count when the argument began
};

enum class InlineConst : std::uint8_t { kNone, kName, kValue };

// Everything a conditional branch starts from afresh.
struct ScanState {
  bool started = false;
  int depth = 0;
  int repeats = 0;
  bool in_asm = false;
  std::vector<CaseFrame> cases;
  std::vector<ParenFrame> parens;
  InlineConst inline_const = InlineConst::kNone;
  std::size_t const_parens = 0;
  int set_brackets = 0;  // > 0: inside a set constructor after "in"
};

struct Conditional {
  ScanState at_if;
  std::optional<ScanState> first_branch;  // the state its first branch reached
};

class SoundScan {
 public:
  SoundScan(TLangStrings& strings, const TIncludeResolver& includes)
      : strings_(strings), includes_(includes) {}

  void ScanFile(std::span<const std::string_view> lines, std::int32_t id, std::int32_t first_line,
                bool offer, int nesting);

  TSoundFacts facts;

 private:
  void OnWord(Word word);
  void OnSymbol(std::string_view symbol);
  void OnString(const TvScanner& scanner, std::span<const std::string_view> lines,
                std::int32_t first_line, bool offer);
  void OnOtherWord(std::string_view written);
  void OnDirective(std::string_view text, std::int32_t id, std::int32_t line, int nesting);
  void Piece(std::int32_t line, std::int32_t pos, std::int32_t end_line, std::int32_t next);
  void Impure() {
    if (!state_.parens.empty()) state_.parens.back().pure = false;
  }
  void EndArgument();
  void PopCasesAbove() {
    while (!state_.cases.empty() && (state_.cases.back().depth > state_.depth ||
                                     state_.cases.back().parens > state_.parens.size()))
      state_.cases.pop_back();
  }
  bool AtCaseLevel(const CaseFrame& c) const {
    return c.depth == state_.depth && c.parens == state_.parens.size() &&
           c.repeats == state_.repeats;
  }

  TLangStrings& strings_;
  const TIncludeResolver& includes_;
  ScanState state_;
  std::vector<Conditional> conditionals_;
  TokenPlace before_, previous_;
  std::string scratch_before_, scratch_previous_;
  bool previous_in_ = false;        // the token before is the word "in"
  bool header_seen_ = false;        // the main file's first token has been looked at
  std::int32_t current_first_ = 0;  // first_line of the file being scanned
};

void SoundScan::ScanFile(std::span<const std::string_view> lines, std::int32_t id,
                         std::int32_t first_line, bool offer, int nesting) {
  TvScanner scanner(lines);
  for (const auto& [text, word] : kWords) scanner.Keywords.Add(text);
  scanner.directives = true;
  scanner.multi_line_literals = true;

  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
    const TTokenKind kind = scanner.Kind();
    current_first_ = first_line;  // an include scanned inside the last token changed it
    if (kind == tkDirective) {
      OnDirective(scanner.Token(), id, scanner.LineIndex(), nesting);
      continue;
    }
    Word word = kind == tkKeyword ? Classify(scanner.Token()) : Word::kOther;
    if (!header_seen_ && id == 0) {
      // A byte-order mark is word characters to the scanner: "<BOM>unit" is one word, and
      // before a comment the mark is a word of its own.
      constexpr std::string_view kBom = "\xEF\xBB\xBF";
      const std::string_view first = scanner.Token();
      if (kind == tkUnknown && first == kBom) continue;
      header_seen_ = true;
      if (kind == tkUnknown && first.starts_with(kBom))
        word = Classify(AsciiLowerCase(first.substr(kBom.size())));
      facts.has_header = word == Word::kUnit || word == Word::kProgram || word == Word::kLibrary ||
                         word == Word::kPackage;
      facts.is_unit = word == Word::kUnit;
    }
    if (state_.in_asm) {
      // Assembler is no Pascal: only its "end" counts.
      if (word == Word::kEnd) {
        state_.in_asm = false;
        if (state_.depth > 0) --state_.depth;
        PopCasesAbove();
      }
    } else if (kind == tkKeyword || word != Word::kOther) {
      OnWord(word);
    } else if (kind == tkSymbol) {
      OnSymbol(scanner.Token());
    } else if (kind == tkString) {
      OnString(scanner, lines, first_line, offer);
    } else {
      const std::string_view line = lines[static_cast<std::size_t>(scanner.LineIndex())];
      const std::string_view written =
          kind == tkUnknown && scanner.NextPos() > static_cast<std::int32_t>(line.size()) + 1
              ? std::string_view("'")
              : line.substr(static_cast<std::size_t>(scanner.TokenPos() - 1),
                            static_cast<std::size_t>(scanner.NextPos() - scanner.TokenPos()));
      if (IsCharCodes(written))
        Piece(scanner.LineIndex(), scanner.TokenPos(), scanner.LineIndex(), scanner.NextPos());
      else
        OnOtherWord(written);
    }
    previous_in_ = word == Word::kIn;
    before_ = previous_;
    previous_ = {lines, kind, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos()};
  }
}

void SoundScan::OnWord(Word word) {
  ScanState& s = state_;
  Impure();
  switch (word) {
    case Word::kImplementation:
      // The interface part may leave anything open (a variant record raises the depth).
      s = ScanState{};
      s.started = true;
      break;
    case Word::kProgram:
      s.started = true;
      break;
    case Word::kBegin:
    case Word::kTry:
      ++s.depth;
      break;
    case Word::kAsm:
      ++s.depth;
      s.in_asm = true;
      break;
    case Word::kCase:
      ++s.depth;
      s.cases.push_back({s.depth, s.parens.size(), s.repeats, CasePart::kSelector});
      break;
    case Word::kEnd:
      if (s.depth > 0) --s.depth;
      PopCasesAbove();
      if (s.inline_const != InlineConst::kNone) s.inline_const = InlineConst::kNone;
      break;
    case Word::kRepeat:
      ++s.repeats;
      break;
    case Word::kUntil:
      if (s.repeats > 0) --s.repeats;
      break;
    case Word::kOf:
      if (!s.cases.empty() && s.cases.back().part == CasePart::kSelector &&
          s.cases.back().parens == s.parens.size())
        s.cases.back().part = CasePart::kLabels;
      break;
    case Word::kElse:
    case Word::kOtherwise:
      // In an arm, "else" belongs to an if; right after an arm's ";" it is the case's.
      if (!s.cases.empty() && s.cases.back().part == CasePart::kLabels &&
          AtCaseLevel(s.cases.back()))
        s.cases.back().part = CasePart::kElse;
      break;
    case Word::kConst:
      if (s.started && s.depth > 0) {
        s.inline_const = InlineConst::kName;
        s.const_parens = s.parens.size();
      }
      break;
    default:
      break;
  }
}

void SoundScan::OnSymbol(std::string_view symbol) {
  ScanState& s = state_;
  const char c = symbol.size() == 1 ? symbol[0] : '\0';
  switch (c) {
    case '(': {
      Impure();
      ParenFrame frame;
      std::string scratch;
      frame.pchar = previous_.kind == tkIdentifier && IsPCharRoutine(TextAt(previous_, scratch));
      frame.candidates_before = strings_.Count();
      s.parens.push_back(frame);
      return;
    }
    case ')':
      if (!s.parens.empty()) {
        EndArgument();
        s.parens.pop_back();
      }
      // A variant part inside parentheses ends with them: no "end" will close it.
      while (!s.cases.empty() && s.cases.back().parens > s.parens.size()) {
        s.cases.pop_back();
        if (s.depth > 0) --s.depth;
      }
      if (s.inline_const != InlineConst::kNone && s.parens.size() < s.const_parens)
        s.inline_const = InlineConst::kNone;
      return;
    case ',':
      if (!s.parens.empty()) {
        EndArgument();
        ParenFrame& top = s.parens.back();
        top.pure = true;
        top.has_piece = false;
        top.candidates_before = strings_.Count();
      }
      return;
    case '+':
      return;
    case ';':
      Impure();
      if (!s.cases.empty() && s.cases.back().part == CasePart::kArm && AtCaseLevel(s.cases.back()))
        s.cases.back().part = CasePart::kLabels;
      if (s.inline_const != InlineConst::kNone && s.parens.size() == s.const_parens)
        s.inline_const = InlineConst::kNone;
      return;
    case ':':
      Impure();
      if (!s.cases.empty() && s.cases.back().part == CasePart::kLabels &&
          AtCaseLevel(s.cases.back()))
        s.cases.back().part = CasePart::kArm;
      return;
    case '=':
      Impure();
      if (s.inline_const == InlineConst::kName && s.parens.size() == s.const_parens)
        s.inline_const = InlineConst::kValue;
      return;
    default:
      Impure();
      return;
  }
}

void SoundScan::OnString(const TvScanner& scanner, std::span<const std::string_view> lines,
                         std::int32_t first_line, bool offer) {
  const ScanState& s = state_;
  const std::int32_t line = scanner.LineIndex();
  const std::int32_t last = scanner.EndLineIndex();
  bool candidate = offer && s.started && s.depth > 0 && s.set_brackets == 0 &&
                   s.inline_const != InlineConst::kValue &&
                   (s.cases.empty() || s.cases.back().part != CasePart::kLabels);
  if (candidate) {
    const std::string_view text = scanner.Token();
    candidate =
        !text.empty() && HasTextChar(text) && !IsOneCharacter(text) &&
        !NextToRange(lines[static_cast<std::size_t>(line)], scanner.TokenPos(),
                     lines[static_cast<std::size_t>(last)], scanner.NextPos()) &&
        !IsExcludedKey(TextAt(before_, scratch_before_), TextAt(previous_, scratch_previous_));
    if (candidate)
      strings_.Add(text, line + first_line, scanner.TokenPos(), scanner.NextPos(),
                   last + first_line);
  }
  Piece(line, scanner.TokenPos(), last, scanner.NextPos());
}

// A string constant in an argument (columns of the current file's lines): the argument's
// span grows to take it in. An argument that runs across files is not wrapped.
void SoundScan::Piece(std::int32_t line, std::int32_t pos, std::int32_t end_line,
                      std::int32_t next) {
  if (state_.parens.empty()) return;
  ParenFrame& top = state_.parens.back();
  if (!top.pchar || !top.pure) return;
  if (!top.has_piece) {
    top.has_piece = true;
    top.file_first = current_first_;
    top.argument.line = line + current_first_;
    top.argument.col = pos;
  } else if (top.file_first != current_first_) {
    top.pure = false;
    return;
  }
  top.argument.end_line = end_line + current_first_;
  top.argument.end_col = next;
}

void SoundScan::EndArgument() {
  ParenFrame& top = state_.parens.back();
  if (!top.pchar || !top.pure || !top.has_piece) return;
  if (strings_.Count() == top.candidates_before) return;
  TPCharArgument argument = top.argument;
  argument.first = top.candidates_before;
  argument.last = strings_.Count() - 1;
  facts.pchar_arguments.push_back(argument);
}

void SoundScan::OnOtherWord(std::string_view written) {
  ScanState& s = state_;
  Impure();
  // "[" and "]" are word characters to the scanner: count them in the words.
  std::size_t from = 0;
  if (s.set_brackets == 0) {
    if (previous_in_ && written.starts_with('['))
      from = 0;
    else if (written.size() >= 3 && SameTextAscii(written.substr(0, 2), "in") && written[2] == '[')
      from = 2;
    else
      return;
  }
  for (std::size_t i = from; i < written.size(); ++i) {
    if (written[i] == '[') ++s.set_brackets;
    if (written[i] == ']' && s.set_brackets > 0 && --s.set_brackets == 0) return;
  }
}

void SoundScan::OnDirective(std::string_view text, std::int32_t id, std::int32_t line,
                            int nesting) {
  const Directive d = ParseDirective(text);
  const std::string& n = d.name;
  if (n == "IF" || n == "IFDEF" || n == "IFNDEF" || n == "IFOPT" || n == "IFC") {
    conditionals_.push_back({state_, std::nullopt});
  } else if (n == "ELSE" || n == "ELSEIF" || n == "ELSEC") {
    if (conditionals_.empty()) return;
    Conditional& c = conditionals_.back();
    if (!c.first_branch) c.first_branch = state_;
    state_ = c.at_if;
  } else if (n == "ENDIF" || n == "IFEND" || n == "ENDC") {
    if (conditionals_.empty()) return;
    if (conditionals_.back().first_branch) state_ = std::move(*conditionals_.back().first_branch);
    conditionals_.pop_back();
  } else if (n == "MODE") {
    facts.iso_mode = facts.iso_mode || SameTextAscii(Trim(d.argument), "iso");
  } else if ((n == "I" || n == "INCLUDE") && includes_ && nesting < kMaxIncludeNesting) {
    const std::optional<std::string> name = IncludeFileName(text);
    if (!name) return;
    const std::optional<TIncludedFile> file = includes_(*name, id, line);
    if (file) ScanFile(file->lines, file->id, file->first_line, file->offer, nesting + 1);
  }
}

}  // namespace

std::string DirectiveName(std::string_view directive) {
  return ParseDirective(directive).name;
}

std::optional<std::string> IncludeFileName(std::string_view directive) {
  if (!directive.starts_with("{$") && !directive.starts_with("(*$")) return std::nullopt;
  const Directive d = ParseDirective(directive);
  if (d.name != "I" && d.name != "INCLUDE") return std::nullopt;
  if (!d.argument.empty() && (d.argument.front() == '+' || d.argument.front() == '-'))
    return std::nullopt;
  std::string_view name = Trim(d.argument);
  if (name.empty() || name.front() == '%') return std::nullopt;
  if (name.front() == '\'') {
    const std::size_t close = name.find('\'', 1);
    name = name.substr(1, close == std::string_view::npos ? name.size() - 1 : close - 1);
  }
  if (name.empty()) return std::nullopt;
  return std::string(name);
}

TSoundFacts FindStringsSound(std::span<const std::string_view> lines, TLangStrings& strings,
                             const TIncludeResolver& includes, bool offer) {
  SoundScan scan(strings, includes);
  scan.ScanFile(lines, 0, 0, offer, 0);
  return std::move(scan.facts);
}

}  // namespace polyverb
