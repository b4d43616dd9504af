#include "source/Scanner.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

// Character classes as one table lookup per byte: the scanner touches every byte of the
// source, and substring searches in Symbols would dominate its time.
enum : std::uint8_t { kWhite = 1, kSymbol = 2, kUpper = 4 };

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> t{};
  for (unsigned char c : std::string_view(" \t\n\r")) t[c] |= kWhite;
  // Every character of Symbols except the separating blank starts a symbol.
  for (unsigned char c : TvScanner::kSymbols)
    if (c != ' ') t[c] |= kSymbol;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] |= kUpper;
  return t;
}
constexpr auto kClasses = MakeClasses();

// Two adjacent characters of Symbols with no blank between them are a pair symbol; one
// bit per (first, second) byte pair.
constexpr std::array<std::uint64_t, 1024> MakePairs() {
  std::array<std::uint64_t, 1024> t{};
  constexpr std::string_view kS = TvScanner::kSymbols;
  for (std::size_t i = 0; i + 1 < kS.size(); ++i)
    if (kS[i] != ' ' && kS[i + 1] != ' ') {
      const unsigned key =
          static_cast<unsigned char>(kS[i]) * 256u + static_cast<unsigned char>(kS[i + 1]);
      t[key / 64] |= std::uint64_t{1} << (key % 64);
    }
  return t;
}
constexpr auto kPairs = MakePairs();

inline bool IsPair(unsigned char a, unsigned char b) {
  const unsigned key = a * 256u + b;
  return (kPairs[key / 64] >> (key % 64)) & 1;
}

inline bool IsWhite(char c) {
  return kClasses[static_cast<unsigned char>(c)] & kWhite;
}

// The first column at or after `col` that holds no white space (len + 1 if none). Runs of
// blanks, the commonest white space by far, are stepped over eight bytes at a time.
inline std::int32_t SkipWhite(std::string_view line, std::int32_t col) {
  const auto len = static_cast<std::int32_t>(line.size());
  while (col + 7 <= len) {
    std::uint64_t w;
    std::memcpy(&w, line.data() + col - 1, 8);
    w ^= 0x2020202020202020u;
    if (w != 0) {
      if constexpr (std::endian::native == std::endian::little)
        col += std::countr_zero(w) / 8;
      else
        col += std::countl_zero(w) / 8;
      break;
    }
    col += 8;
  }
  while (col <= len && IsWhite(line[col - 1])) ++col;
  return col;
}

// Appends the content of a complete literal to `out`; see UnquoteString.
void AppendUnquoted(std::string& out, std::string_view s) {
  const std::size_t n = s.size();
  if (n < 2) return;
  std::size_t i = 1, start = 1;
  while (i + 2 < n) {
    if (s[i] == '\'' && s[i + 1] == '\'') {
      out.append(s.substr(start, i + 1 - start));  // up to and including the first quote
      i += 2;
      start = i;
    } else {
      ++i;
    }
  }
  if (start + 1 < n) out.append(s.substr(start, n - 1 - start));
}

}  // namespace

std::string_view TokenKindName(TTokenKind kind) {
  static constexpr std::string_view kNames[] = {"tkIdentifier", "tkKeyword", "tkSymbol",
                                                "tkString",     "tkNumber",  "tkListWord1",
                                                "tkListWord2",  "tkUnknown", "tkDirective"};
  return kind <= tkDirective ? kNames[kind] : "?";
}

// ---- TWordList ----

void TWordList::Add(std::string_view word) {
  words_.emplace_back(word);
  if (!word.empty()) {
    const auto first = static_cast<unsigned char>(AsciiLower(word[0]));
    lengths_[first] |= std::uint64_t{1} << std::min<std::size_t>(word.size(), 63);
  }
}

const std::string& TWordList::operator[](int index) const {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return words_[static_cast<std::size_t>(index)];
}

int TWordList::IndexOf(std::string_view word) const {
  for (std::size_t i = 0; i < words_.size(); ++i)
    if (SameTextAscii(words_[i], word)) return static_cast<int>(i);
  return -1;
}

// ---- character rules ----

bool TvScanner::IsLineCommentAt(std::string_view line, std::int32_t pos) {
  const auto len = static_cast<std::int64_t>(line.size());
  return pos >= 1 && pos < len && line[pos - 1] == '/' && line[pos] == '/';
}

bool TvScanner::IsBlockCommentAt(std::string_view line, std::int32_t pos,
                                 std::string_view& closer) {
  const auto len = static_cast<std::int64_t>(line.size());
  if (pos < 1 || pos > len) return false;
  if (line[pos - 1] == '{') {
    closer = "}";
    return true;
  }
  if (pos < len && line[pos - 1] == '(' && line[pos] == '*') {
    closer = "*)";
    return true;
  }
  return false;
}

bool TvScanner::IsSymbolAt(std::string_view line, std::int32_t& pos) {
  const auto len = static_cast<std::int64_t>(line.size());
  if (pos < 1 || pos > len) return false;
  const auto a = static_cast<unsigned char>(line[pos - 1]);
  if (pos < len) {
    const auto b = static_cast<unsigned char>(line[pos]);
    if (!(kClasses[b] & kWhite) && IsPair(a, b)) {
      ++pos;
      return true;
    }
  }
  return kClasses[a] & kSymbol;
}

bool TvScanner::IsNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto digits = [&] {
    const std::size_t from = i;
    while (i < n && IsAsciiDigit(text[i])) ++i;
    return i > from;
  };
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  if (!digits()) return false;
  if (i < n && text[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == n;
}

std::string TvScanner::UnquoteString(std::string_view literal) {
  std::string result;
  AppendUnquoted(result, literal);
  return result;
}

// ---- scanning ----

void TvScanner::Reset() {
  line_index_ = 0;
  span_ = 0;
  token_pos_ = 1;
  next_pos_ = 1;
  NextToken();
}

void TvScanner::NextToken() {
  kind_ = tkUnknown;
  token_ = {};
  lower_pending_ = false;
  span_ = 0;
  if (AtEnd()) return;
  const auto line_count = static_cast<std::int64_t>(Lines.size());
  std::int32_t col = next_pos_;
  std::string_view line = Lines[static_cast<std::size_t>(line_index_)];
  // The checks run on the byte's class first. That keeps the rules' order: white space and
  // word characters can neither open a comment nor start a symbol.
  for (;;) {
    const auto len = static_cast<std::int32_t>(line.size());
    col = SkipWhite(line, col);
    if (col <= len && !(kClasses[static_cast<unsigned char>(line[col - 1])] & kSymbol)) {
      ScanWord(line, col);
      return;
    }
    if (col > len || IsLineCommentAt(line, col)) {
      if (++line_index_ >= line_count) return;
      line = Lines[static_cast<std::size_t>(line_index_)];
      col = 1;
      continue;
    }
    std::string_view closer;
    if (!IsBlockCommentAt(line, col, closer)) break;
    // The search starts just after the opener, which is as long as its closer.
    const std::size_t body = static_cast<std::size_t>(col - 1) + closer.size();
    std::size_t found = line.find(closer, body);
    const std::int32_t open_line = line_index_;
    const std::int32_t open_col = col;
    const bool directive = directives && body < line.size() && line[body] == '$';
    while (found == std::string_view::npos) {
      if (++line_index_ >= line_count) return;  // the rest of the source was comment
      line = Lines[static_cast<std::size_t>(line_index_)];
      found = line.find(closer);
    }
    if (directive) {
      span_ = line_index_ - open_line;
      ScanDirective(line, open_col, found + closer.size());
      return;
    }
    col = static_cast<std::int32_t>(found + closer.size()) + 1;
  }

  // A quote starts no pair symbol, so it is always the single symbol "'".
  if (line[col - 1] == '\'') {
    ScanLiteral(line, col);
    return;
  }
  std::int32_t p = col;
  IsSymbolAt(line, p);
  kind_ = tkSymbol;
  token_ = line.substr(static_cast<std::size_t>(col - 1), static_cast<std::size_t>(p - col + 1));
  token_pos_ = col;
  next_pos_ = p + 1;
}

// The opening quote stands at `col`. A quote followed by another is a doubled quote
// inside the literal; any other quote closes it. Without a closing quote on the line the
// token is the lone quote and the rest of the line is skipped.
void TvScanner::ScanLiteral(std::string_view line, std::int32_t col) {
  if (multi_line_literals && ScanMultiLineLiteral(line, col)) return;
  const std::size_t open = static_cast<std::size_t>(col - 1);
  std::size_t p = open + 1;
  bool doubled = false;
  for (;;) {
    const std::size_t q = line.find('\'', p);
    if (q == std::string_view::npos) {
      kind_ = tkUnknown;
      token_ = line.substr(open, 1);
      token_pos_ = col;
      next_pos_ = static_cast<std::int32_t>(line.size()) + 2;
      return;
    }
    if (q + 1 < line.size() && line[q + 1] == '\'') {
      doubled = true;
      p = q + 2;
      continue;
    }
    kind_ = tkString;
    token_pos_ = col;
    next_pos_ = static_cast<std::int32_t>(q) + 2;
    if (!doubled) {
      token_ = line.substr(open + 1, q - open - 1);  // no change needed: view the source
    } else {
      buffer_.clear();
      AppendUnquoted(buffer_, line.substr(open, q - open + 1));
      token_ = buffer_;
    }
    return;
  }
}

// The directive opened at column `col` of line LineIndex() and closes just before `end`
// (0-based) of the current line.
void TvScanner::ScanDirective(std::string_view line, std::int32_t col, std::size_t end) {
  kind_ = tkDirective;
  token_pos_ = col;
  next_pos_ = static_cast<std::int32_t>(end) + 1;
  if (span_ == 0) {
    token_ =
        line.substr(static_cast<std::size_t>(col - 1), end - static_cast<std::size_t>(col - 1));
    return;
  }
  const auto first = static_cast<std::size_t>(line_index_ - span_);
  buffer_.assign(Lines[first].substr(static_cast<std::size_t>(col - 1)));
  for (std::size_t i = first + 1; i < static_cast<std::size_t>(line_index_); ++i)
    (buffer_ += '\n') += Lines[i];
  (buffer_ += '\n') += line.substr(0, end);
  token_ = buffer_;
}

// A run of an odd number (three or more) of quotes at `col` followed by nothing but white
// space opens a multi-line literal; the first later line that holds, after its indentation,
// the same run of quotes and no further quote closes it. False, with nothing changed, when
// the quotes do not open one or no line closes it.
bool TvScanner::ScanMultiLineLiteral(std::string_view line, std::int32_t col) {
  const std::size_t open = static_cast<std::size_t>(col - 1);
  std::size_t run = open;
  while (run < line.size() && line[run] == '\'') ++run;
  const std::size_t quotes = run - open;
  if (quotes < 3 || quotes % 2 == 0) return false;
  for (std::size_t i = run; i < line.size(); ++i)
    if (!IsWhite(line[i])) return false;
  const std::size_t count = Lines.size();
  for (std::size_t l = static_cast<std::size_t>(line_index_) + 1; l < count; ++l) {
    const std::string_view closing = Lines[l];
    const std::size_t indent = std::min(closing.find_first_not_of(" \t"), closing.size());
    std::size_t end = indent;
    while (end < closing.size() && closing[end] == '\'') ++end;
    if (end - indent != quotes) continue;
    // The text: each line between, less the closing line's indentation (as much of it as
    // the line starts with), joined with CR LF.
    const std::string_view margin = closing.substr(0, indent);
    buffer_.clear();
    for (std::size_t i = static_cast<std::size_t>(line_index_) + 1; i < l; ++i) {
      std::string_view text = Lines[i];
      std::size_t cut = 0;
      while (cut < margin.size() && cut < text.size() && text[cut] == margin[cut]) ++cut;
      text.remove_prefix(cut);
      if (i > static_cast<std::size_t>(line_index_) + 1) buffer_ += "\r\n";
      buffer_ += text;
    }
    kind_ = tkString;
    token_ = buffer_;
    token_pos_ = col;
    next_pos_ = static_cast<std::int32_t>(end) + 1;
    span_ = static_cast<std::int32_t>(l) - line_index_;
    line_index_ = static_cast<std::int32_t>(l);
    return true;
  }
  return false;
}

// A word runs to the next white space or symbol character. (Every pair symbol starts with
// a single-character symbol, so "IsSymbolAt is false" is "not a symbol character".)
void TvScanner::ScanWord(std::string_view line, std::int32_t col) {
  const std::size_t begin = static_cast<std::size_t>(col - 1);
  std::size_t p = begin;
  std::uint8_t seen = 0;
  while (p < line.size()) {
    const std::uint8_t cls = kClasses[static_cast<unsigned char>(line[p])];
    if (cls & (kWhite | kSymbol)) break;
    seen |= cls;
    ++p;
  }
  token_ = line.substr(begin, p - begin);
  lower_pending_ = (seen & kUpper) != 0;

  const auto f = static_cast<unsigned char>(token_[0]);
  if (f >= 65 && f <= 122) {
    // The code range, not letters: [ \ ] ^ _ and ` also make a word identifier-like.
    // Lower-casing moves no byte into or out of the range, and the lists ignore letter
    // case, so the word is tested and looked up as written.
    if (Keywords.Contains(token_))
      kind_ = tkKeyword;
    else if (WordList1.Contains(token_))
      kind_ = tkListWord1;
    else if (WordList2.Contains(token_))
      kind_ = tkListWord2;
    else
      kind_ = tkIdentifier;
  } else {
    kind_ = IsNumber(Token()) ? tkNumber : tkUnknown;
  }
  token_pos_ = col;
  next_pos_ = static_cast<std::int32_t>(p) + 1;
}

void TvScanner::LowerToken() const {
  buffer_.assign(token_);
  for (char& c : buffer_) c = AsciiLower(c);
  token_ = buffer_;
  lower_pending_ = false;
}

}  // namespace polyverb
