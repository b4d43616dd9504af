// Byte-level helpers for readers and writers of text in any encoding: ASCII classes and
// letter case, line ends, UTF-8 sequences. Nothing here depends on the locale, so a file
// reads the same in every process (Qt sets the C library's locale in the IDE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace polyverb {

constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsAsciiHexDigit(char c) {
  return IsAsciiDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
// REQUIRES: IsAsciiHexDigit(c).
constexpr int HexDigitValue(char c) {
  return IsAsciiDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
}

// Letter case of A to Z only; every other byte stays as it is.
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}
std::string AsciiLowerCase(std::string_view text);
// Equality that ignores the letter case of A to Z only: the scanner's word lists, the
// literal keys, component class names. Inline: the scanner asks it for every keyword.
constexpr bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

constexpr bool IsLineEndChar(char c) {
  return c == '\r' || c == '\n';
}
// The line end `text` uses first (CR LF, LF or a lone CR); CR LF when it has none, the
// line end of the files the system writes.
std::string_view LineEndOf(std::string_view text);

bool IsValidUtf8(std::string_view text);
// Decodes the character at text[pos] and moves pos past it. A malformed sequence gives a
// negative value and moves pos past the bytes that belong to it (at least one).
// REQUIRES: pos < text.size().
std::int32_t NextUtf8(std::string_view text, std::size_t& pos);
// REQUIRES: code_point is a Unicode scalar value (at most 0x10FFFF, not a surrogate).
void AppendUtf8(std::string& out, std::uint32_t code_point);

}  // namespace polyverb
