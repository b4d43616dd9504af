#include "source/PasPrcss.h"

#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "langfile/vLangEd.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "source/Rewrite.h"
#include "source/SourceText.h"
#include "source/VScaner.h"

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
  for (std::string_view word : ExtractionKeywords) scanner.Keywords.Add(word);

  bool started = false;
  long long depth = 0;  // unbounded both ways; unbalanced source only shifts it
  TokenPlace before, previous;
  std::string scratchBefore, scratchPrevious;

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
          !IsExcludedKey(TextAt(Lines, before, scratchBefore),
                         TextAt(Lines, previous, scratchPrevious)))
        Strings.Add(text, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos());
    }
    before = previous;
    previous = {kind, scanner.LineIndex(), scanner.TokenPos(), scanner.NextPos()};
    scanner.NextToken();
  }
}

void FindStrings(std::span<const std::string> Lines, TLangStrings& Strings) {
  const std::vector<std::string_view> views(Lines.begin(), Lines.end());
  FindStrings(std::span<const std::string_view>(views), Strings);
}

// ---- Source rewriting and the language file update --------------------------------

std::string CurFileName;
uint16_t NextStrNumber = 0;
TvLangFileEdit* LangFile = nullptr;

namespace {

TStringChooser& InstalledChooser() {
  static TStringChooser chooser;
  return chooser;
}

// Points LangFile at a call's language file and clears it on every way out.
class LangFileScope {
 public:
  explicit LangFileScope(TvLangFileEdit& file) { LangFile = &file; }
  ~LangFileScope() { LangFile = nullptr; }
  LangFileScope(const LangFileScope&) = delete;
  LangFileScope& operator=(const LangFileScope&) = delete;
};

int CountChosen(const TLangStrings& strings) {
  int marked = 0;
  for (std::int32_t i = 0; i < strings.Count(); ++i) marked += strings.Items(i).Chosen ? 1 : 0;
  return marked;
}

// Every chosen entry must lie within its line as read, or the splice would cut elsewhere.
void CheckPlaces(const std::vector<std::string>& lines, const TLangStrings& strings) {
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    const bool inside = s.LineIndex >= 0 && static_cast<std::size_t>(s.LineIndex) < lines.size() &&
                        s.StartPos >= 1 && s.StartPos < s.NextPos &&
                        static_cast<std::size_t>(s.NextPos - 1) <=
                            lines[static_cast<std::size_t>(s.LineIndex)].size();
    if (!inside)
      throw Error("String " + std::to_string(i) + " of " + CurFileName + " (line " +
                  std::to_string(s.LineIndex + 1) + ", columns " + std::to_string(s.StartPos) +
                  " to " + std::to_string(s.NextPos) + ") lies outside the source");
  }
}

}  // namespace

ScopedStringChooser::ScopedStringChooser(TStringChooser chooser)
    : previous_(std::exchange(InstalledChooser(), std::move(chooser))) {}

ScopedStringChooser::~ScopedStringChooser() { InstalledChooser() = std::move(previous_); }

void ChooseStrings(std::span<const std::string> Lines, TLangStrings& Strings) {
  if (Strings.Count() == 0) return;
  const TStringChooser& chooser = InstalledChooser();
  if (!chooser)
    throw Error("No string chooser is installed to mark the strings of " + CurFileName);
  // Cleared first, so whatever the chooser does not mark counts as unmarked.
  for (std::int32_t i = 0; i < Strings.Count(); ++i) Strings.Items(i).Chosen = false;
  chooser(Lines, Strings);
}

void ReplaceStrings(std::vector<std::string>& Lines, const TLangStrings& Strings) {
  if (!LangFile) throw Error("ReplaceStrings called with no language file");
  CheckPlaces(Lines, Strings);
  CheckNumbering(*LangFile, NextStrNumber, CountChosen(Strings), CurFileName);

  std::int32_t lastLine = -1;
  std::int32_t shift = 0;
  std::string asRead;  // the line before its first replacement: glue is judged on it
  for (std::int32_t i = 0; i < Strings.Count(); ++i) {
    const TLangStr& s = Strings.Items(i);
    if (!s.Chosen) continue;
    std::string& line = Lines[static_cast<std::size_t>(s.LineIndex)];
    if (s.LineIndex != lastLine) {
      lastLine = s.LineIndex;
      shift = 0;
      asRead = line;
    }
    const std::string replacement =
        Replacement(NextStrNumber, GlueAt(asRead, s.StartPos, s.NextPos));
    const auto from = static_cast<std::size_t>(s.StartPos + shift - 1);
    const auto length = static_cast<std::size_t>(s.NextPos - s.StartPos);
    line.replace(from, length, replacement);
    shift += static_cast<std::int32_t>(replacement.size()) - (s.NextPos - s.StartPos);
    LangFile->AddIdent(NextStrNumber, s.Text, 0);
    ++NextStrNumber;
  }
}

void ProcessPasFile(const std::string& FileName, const std::string& LangName) {
  CurFileName = FileName;
  // A language file that cannot be read stops everything before the source is read.
  const auto langFile = std::make_unique<TvLangFileEdit>(LangName);
  const LangFileScope scope(*langFile);

  std::exception_ptr failure;
  bool saveTried = false;  // a failed save is not tried a second time
  try {
    TLangStrings strings;
    std::vector<std::string> lines;
    {
      const SourceText source = ReadSourceFile(FileName);
      FindStrings(source.lines(), strings);
      // Lines to edit are copied only when there is something to replace.
      if (strings.Count() > 0) lines.assign(source.lines().begin(), source.lines().end());
    }
    if (strings.Count() > 0) {
      ChooseStrings(lines, strings);
      // Checked here on the full int: 65536 would wrap to 0 in the 16-bit NextStrNumber.
      const int first = FirstFreeNumber(*LangFile);
      CheckNumbering(*LangFile, first, CountChosen(strings), FileName);
      NextStrNumber = static_cast<uint16_t>(first);
      ReplaceStrings(lines, strings);
      const std::string text = JoinLinesCrLf(lines);
      // The language file first: should its save fail, the source still holds the literals.
      saveTried = true;
      LangFile->Save();
      try {
        ReplaceFile(FileName, text);
      } catch (const Error&) {
        throw CannotCreateFile(FileName);
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }

  if (!saveTried) {
    try {
      LangFile->Save();
    } catch (const Error& saveFailure) {
      if (!failure) throw;
      try {
        std::rethrow_exception(failure);
      } catch (const Error& first) {
        throw Error(std::string(first.what()) + " (the language file was not saved either: " +
                    saveFailure.what() + ")");
      }
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace polyverb
