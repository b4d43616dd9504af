// Rewriting any source: marks taken from the input's last byte pattern; every marked
// literal becomes one GetLangStr call that the scanner sees as code (never swallowed by a
// comment or a literal), unmarked literals stay, and the table gains the marked texts in
// order with consecutive numbers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "source/LiteralExtraction.h"
#include "source/Scanner.h"
#include "source/SourceProcessing.h"
#include "source/SourceText.h"

namespace {

struct Census {
  int calls = 0;    // identifier tokens "getlangstr"
  int strings = 0;  // complete literals
};

Census Count(const std::vector<std::string>& lines) {
  std::vector<std::string_view> views(lines.begin(), lines.end());
  polyverb::TvScanner scanner(views);
  scanner.Reset();
  Census c;
  while (!scanner.AtEnd()) {
    if (scanner.Kind() == polyverb::tkIdentifier && scanner.Token() == "getlangstr") ++c.calls;
    if (scanner.Kind() == polyverb::tkString) ++c.strings;
    scanner.NextToken();
  }
  return c;
}

// A byte the scanner would join with the call's first letters into one word: anything but
// white space and the symbol characters.
bool IsWordByte(char c) {
  return std::string_view(" \t\r\n()+-*/=<>!;,@':.{}").find(c) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace polyverb;
  if (size == 0) return 0;
  const uint8_t pattern = data[size - 1];
  std::string bytes(reinterpret_cast<const char*>(data), size - 1);
  std::vector<std::string> lines;
  try {
    SourceText source(bytes, "fuzz.pas");
    for (auto line : source.Lines()) lines.emplace_back(line);
  } catch (const Error&) {
    return 0;
  }

  TLangStrings strings;
  FindStrings(std::span<const std::string>(lines), strings);
  bool plain = true;  // no marked literal glued to a word the call would merge with
  int marked = 0;
  for (int i = 0; i < strings.Count(); ++i) {
    TLangStr& s = strings.Items(i);
    s.Chosen = (pattern >> (i % 8)) & 1;
    if (!s.Chosen) continue;
    ++marked;
    const std::string& line = lines[static_cast<std::size_t>(s.LineIndex)];
    if (s.StartPos > 1 && IsWordByte(line[static_cast<std::size_t>(s.StartPos - 2)])) plain = false;
  }

  auto file = TvLangFileEdit::FromBytes("", "fuzz.lng");
  file->AddIdent(40, "existing", 0);
  LangFile = file.get();
  NextStrNumber = 41;
  const Census before = Count(lines);
  std::vector<std::string> rewritten = lines;
  ReplaceStrings(rewritten, strings);
  LangFile = nullptr;

  if (rewritten.size() != lines.size()) __builtin_trap();
  if (NextStrNumber != 41 + marked) __builtin_trap();
  const auto& idents = file->Idents();
  if (idents.size() != static_cast<std::size_t>(marked) + 1) __builtin_trap();
  int k = 1;
  for (int i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    if (idents[static_cast<std::size_t>(k)].Text != s.Text ||
        idents[static_cast<std::size_t>(k)].Number != 40 + k)
      __builtin_trap();
    ++k;
  }
  if (plain) {
    const Census after = Count(rewritten);
    if (after.calls != before.calls + marked || after.strings != before.strings - marked)
      __builtin_trap();
  }
  return 0;
}
