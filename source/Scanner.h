// TvScanner: splits Pascal source, held as lines, into words, numbers, symbols and string
// literals, skipping white space and the three forms of comment. Its columns are exact:
// rewriting cuts literals out of their lines by them.
//
// Positions: a line is named by its 0-based index into Lines; a column is 1-based and
// counts bytes (a tab is one column). A token occupies columns TokenPos to NextPos - 1 of
// line LineIndex, except an unterminated string literal, whose NextPos is the line's
// length plus 2, and a token that spans lines (a directive or a multi-line literal, read
// only when asked for), which runs from TokenPos of line LineIndex to NextPos - 1 of line
// EndLineIndex.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bytes.h"

namespace polyverb {

// The kind of a token; the numeric values are part of the contract.
enum TTokenKind : std::uint8_t {
  tkIdentifier = 0,  // identifier-like word in none of the lists; text lower-cased
  tkKeyword = 1,     // word found in Keywords; text lower-cased
  tkSymbol = 2,      // one of the symbols, as written
  tkString = 3,      // complete literal; text without the quotes, '' reduced to '
  tkNumber = 4,      // digits, optionally "e" and digits; lower-cased
  tkListWord1 = 5,   // word in WordList1 and not in Keywords
  tkListWord2 = 6,   // word in WordList2 and in neither list before it
  tkUnknown = 7,     // end of source (empty), unterminated literal ("'"), or any other word
  // Only with TvScanner::directives set: a compiler directive, "{$...}" or "(*$...*)";
  // text as written, both delimiters included (lines joined with LF).
  tkDirective = 8,
};

// "tkIdentifier" ... "tkUnknown"; "?" for a value outside the enumeration.
std::string_view TokenKindName(TTokenKind kind);

// An unsorted list of words, searched without regard to ASCII letter case. Entries are
// kept as added; lookups go through a small index so a miss costs a table probe.
class TWordList {
 public:
  void Add(std::string_view word);
  int Count() const { return static_cast<int>(words_.size()); }
  const std::string& operator[](int index) const;  // throws ListIndexError when outside
  // Index of the first entry equal to `word` ignoring ASCII case, or -1.
  int IndexOf(std::string_view word) const;
  // Same answer as IndexOf(word) >= 0. Cheap for the common miss: a table probe on the
  // first byte and the length.
  bool Contains(std::string_view word) const {
    if (words_.empty()) return false;
    if (!word.empty()) {
      const auto lowered = static_cast<unsigned char>(AsciiLower(word[0]));
      const std::uint64_t bit = std::uint64_t{1} << (word.size() < 63 ? word.size() : 63);
      if (!(lengths_[lowered] & bit)) return false;
    }
    return IndexOf(word) >= 0;
  }

 private:
  std::vector<std::string> words_;
  // Bit n of lengths_[c]: some entry starts with byte c (lower-cased) and has length n
  // (n = 63 stands for 63 and above).
  std::array<std::uint64_t, 256> lengths_{};
};

class TvScanner {
 public:
  // The symbols, separated by single blanks; fixed for all scanners.
  static constexpr std::string_view kSymbols =
      "( ) + - * / = < > ! ; , @ ' : . := >= <= <> { } // (* *)";

  TvScanner() = default;
  // REQUIRES: the viewed lines outlive every use of this scanner; the scanner only reads.
  explicit TvScanner(std::span<const std::string_view> lines) : Lines(lines) {}

  // The source, one entry per line without its line end. Set before Reset.
  std::span<const std::string_view> Lines;
  TWordList WordList1;
  TWordList WordList2;
  TWordList Keywords;

  // Reading beyond the classic rules; both off by default and set before Reset.
  // directives: a block comment whose text starts with "$" is a tkDirective token.
  bool directives = false;
  // multi_line_literals: an odd run of three or more quotes with nothing but white space after
  // it on its line opens a literal; the first later line that starts, after white space,
  // with the same run of quotes (and no further quote) closes it. Its text is the lines
  // between, each without the closing line's indentation, joined with CR LF. Without such
  // a closing line the quotes scan as ever.
  bool multi_line_literals = false;

  // Rewinds to line 0, column 1 and reads the first token.
  void Reset();
  // Reads the token that starts at or after column NextPos of line LineIndex.
  void NextToken();
  bool AtEnd() const { return line_index_ >= static_cast<std::int64_t>(Lines.size()); }

  // The current token. Token's view stays valid until the next NextToken or Reset.
  std::string_view Token() const {
    if (lower_pending_) LowerToken();
    return token_;
  }
  TTokenKind Kind() const { return kind_; }
  std::int32_t LineIndex() const { return line_index_ - span_; }
  // The line of the token's last character: LineIndex unless the token spans lines.
  std::int32_t EndLineIndex() const { return line_index_; }
  std::int32_t TokenPos() const { return token_pos_; }
  std::int32_t NextPos() const { return next_pos_; }

  // The scanner's character rules, on the text of one line and a 1-based column.
  // "//" at Pos (Pos < length of Line).
  static bool IsLineCommentAt(std::string_view line, std::int32_t pos);
  // "{" at Pos gives Closer "}"; "(*" at Pos (Pos < length) gives Closer "*)".
  static bool IsBlockCommentAt(std::string_view line, std::int32_t pos, std::string_view& closer);
  // A two-character symbol at Pos whose second character is not white space moves Pos to
  // that second character and answers true; otherwise answers whether the character at
  // Pos is a symbol character.
  static bool IsSymbolAt(std::string_view line, std::int32_t& pos);
  // Optional sign, digits, optionally "." and digits, optionally "e"/"E", optional sign
  // and digits; nothing else.
  static bool IsNumber(std::string_view text);
  // The content of a complete literal (both quotes included): quotes removed, each
  // doubled quote reduced to one.
  static std::string UnquoteString(std::string_view literal);

  bool InWordList1(std::string_view text) const { return WordList1.IndexOf(text) >= 0; }
  bool InWordList2(std::string_view text) const { return WordList2.IndexOf(text) >= 0; }

 private:
  void ScanLiteral(std::string_view line, std::int32_t col);
  bool ScanMultiLineLiteral(std::string_view line, std::int32_t col);
  void ScanDirective(std::string_view line, std::int32_t col, std::size_t found);
  void ScanWord(std::string_view line, std::int32_t col);
  void LowerToken() const;

  // Into the current line, or into buffer_. A word with capitals is lower-cased only when
  // its text is asked for: most words are looked up and never read.
  mutable std::string_view token_;
  mutable std::string buffer_;  // a token's text when it differs from its source bytes
  mutable bool lower_pending_ = false;
  TTokenKind kind_ = tkUnknown;
  std::int32_t line_index_ = 0;  // the line NextToken resumes on: the token's last line
  std::int32_t span_ = 0;        // lines the current token spans beyond its first
  std::int32_t token_pos_ = 1;
  std::int32_t next_pos_ = 1;
};

}  // namespace polyverb
