// Reading, scanning and extraction over arbitrary bytes. Checks, for every input:
//  - every token lies inside its line (an unterminated literal's NextPos is length + 2);
//  - every candidate lies inside its line, starts and ends with a quote, and unquoting
//    that slice gives its Text;
//  - the scanner and extraction agree with a plain transcription of their rules, which
//    searches the symbol text the slow way, copies every token and builds every key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace {

using namespace polyverb;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Tok {
  TTokenKind kind;
  std::string text;
  std::int32_t line, pos, next;
  bool operator==(const Tok&) const = default;
};

// ---- the reference: the rules as written, 1-based, no shortcuts ----

bool White(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
char At(std::string_view l, int pos) {
  return l[static_cast<std::size_t>(pos - 1)];
}
int Len(std::string_view l) {
  return static_cast<int>(l.size());
}

bool RefSymbolAt(std::string_view l, int& pos) {
  if (pos < Len(l) && !White(At(l, pos + 1)) &&
      TvScanner::kSymbols.find(l.substr(static_cast<std::size_t>(pos - 1), 2)) !=
          std::string_view::npos) {
    ++pos;
    return true;
  }
  return TvScanner::kSymbols.find(At(l, pos)) != std::string_view::npos;
}

std::vector<Tok> RefScan(std::span<const std::string_view> lines) {
  std::vector<Tok> out;
  const int count = static_cast<int>(lines.size());
  int line_index = 0, next_pos = 1;
  while (line_index < count) {
    int col = next_pos;
    std::string_view l = lines[static_cast<std::size_t>(line_index)];
    bool at_end = false;
    for (;;) {
      if (col > Len(l) || (col < Len(l) && At(l, col) == '/' && At(l, col + 1) == '/')) {
        if (++line_index >= count) {
          at_end = true;
          break;
        }
        l = lines[static_cast<std::size_t>(line_index)];
        col = 1;
        continue;
      }
      std::string closer;
      if (At(l, col) == '{')
        closer = "}";
      else if (col < Len(l) && At(l, col) == '(' && At(l, col + 1) == '*')
        closer = "*)";
      if (!closer.empty()) {
        auto f =
            l.find(closer, static_cast<std::size_t>(col - 1 + static_cast<int>(closer.size())));
        while (f == std::string_view::npos) {
          if (++line_index >= count) {
            at_end = true;
            break;
          }
          l = lines[static_cast<std::size_t>(line_index)];
          f = l.find(closer);
        }
        if (at_end) break;
        col = static_cast<int>(f) + 1 + static_cast<int>(closer.size());
        continue;
      }
      if (White(At(l, col))) {
        ++col;
        continue;
      }
      break;
    }
    if (at_end) break;

    Tok t{tkUnknown, "", line_index, col, 0};
    int p = col;
    if (RefSymbolAt(l, p)) {
      t.text = std::string(
          l.substr(static_cast<std::size_t>(col - 1), static_cast<std::size_t>(p - col + 1)));
      if (t.text == "'") {
        ++p;
        while (p <= Len(l)) {
          if (At(l, p) == '\'') {
            if (p == Len(l) || At(l, p + 1) != '\'') break;
            p += 2;
          } else {
            ++p;
          }
        }
        if (p <= Len(l)) {
          t.kind = tkString;
          t.text = TvScanner::UnquoteString(
              l.substr(static_cast<std::size_t>(col - 1), static_cast<std::size_t>(p - col + 1)));
        }
      } else {
        t.kind = tkSymbol;
      }
      t.next = p + 1;
    } else {
      while (p <= Len(l) && !White(At(l, p))) {
        int q = p;
        if (RefSymbolAt(l, q)) break;
        ++p;
      }
      t.text = std::string(
          l.substr(static_cast<std::size_t>(col - 1), static_cast<std::size_t>(p - col)));
      for (char& c : t.text) c = AsciiLower(c);
      const auto f = static_cast<unsigned char>(t.text[0]);
      if (f >= 65 && f <= 122) {
        bool keyword = false;
        for (auto k : kExtractionKeywords) keyword = keyword || SameTextAscii(k, t.text);
        t.kind = keyword ? tkKeyword : tkIdentifier;
      } else {
        t.kind = TvScanner::IsNumber(t.text) ? tkNumber : tkUnknown;
      }
      t.next = p;
    }
    out.push_back(t);
    next_pos = t.next;
  }
  return out;
}

std::vector<Tok> RefFind(const std::vector<Tok>& tokens) {
  std::vector<Tok> found;
  bool started = false;
  long long depth = 0;
  std::string before, previous;
  for (const Tok& t : tokens) {
    if (t.kind == tkKeyword) {
      if (!started && t.text == "implementation")
        started = true;
      else if (!started && t.text == "program")
        started = true;
      else if (t.text == "begin" || t.text == "try" || t.text == "case")
        ++depth;
      else if (started && t.text == "end")
        --depth;
    } else if (started && depth > 0 && t.kind == tkString && !t.text.empty() &&
               HasTextChar(t.text)) {
      bool excluded = false;
      for (auto key : ExcludeKeys) excluded = excluded || SameTextAscii(key, before + previous);
      if (!excluded) found.push_back(t);
    }
    before = previous;
    previous = t.text;
  }
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool has_nul = bytes.find('\0') != std::string::npos;
  std::optional<SourceText> text;
  try {
    text.emplace(std::move(bytes), "fuzz.pas");
  } catch (const Error&) {
    Check(has_nul);
    return 0;
  }
  Check(!has_nul);
  const auto lines = text->Lines();
  for (auto l : lines) Check(l.find_first_of("\r\n") == std::string_view::npos);

  std::vector<Tok> tokens;
  TvScanner scanner(lines);
  for (auto k : kExtractionKeywords) scanner.Keywords.Add(k);
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
    Check(scanner.LineIndex() >= 0 && static_cast<std::size_t>(scanner.LineIndex()) < lines.size());
    const auto len =
        static_cast<std::int32_t>(lines[static_cast<std::size_t>(scanner.LineIndex())].size());
    Check(scanner.TokenPos() >= 1 && scanner.TokenPos() <= len);
    if (scanner.Kind() == tkUnknown && scanner.Token() == "'")
      Check(scanner.NextPos() == len + 2);
    else
      Check(scanner.TokenPos() < scanner.NextPos() && scanner.NextPos() <= len + 1);
    tokens.push_back({scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
                      scanner.TokenPos(), scanner.NextPos()});
  }
  Check(scanner.Kind() == tkUnknown && scanner.Token().empty() &&
        static_cast<std::size_t>(scanner.LineIndex()) == lines.size());
  Check(tokens == RefScan(lines));

  TLangStrings strings;
  FindStrings(lines, strings);
  const std::vector<Tok> expected = RefFind(tokens);
  Check(static_cast<std::size_t>(strings.Count()) == expected.size());
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    Check(!s.Chosen);
    Check(s.LineIndex == expected[i].line && s.StartPos == expected[i].pos &&
          s.NextPos == expected[i].next && s.Text == expected[i].text);
    const std::string_view line = lines[static_cast<std::size_t>(s.LineIndex)];
    Check(s.StartPos >= 1 && s.NextPos - s.StartPos >= 2 &&
          static_cast<std::size_t>(s.NextPos - 1) <= line.size());
    const auto slice = line.substr(static_cast<std::size_t>(s.StartPos - 1),
                                   static_cast<std::size_t>(s.NextPos - s.StartPos));
    Check(slice.front() == '\'' && slice.back() == '\'');
    Check(TvScanner::UnquoteString(slice) == s.Text);
  }
  return 0;
}
