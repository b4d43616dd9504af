#include "source/Rewrite.h"

#include "langfile/LangFileEdit.h"
#include "platform/Bytes.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

constexpr int kMaxNumber = 65535;

// The character after "^" in a control character: a letter or one of @ [ \ ] ^ _.
bool IsControlLetter(char c) {
  return IsAsciiLetter(c) || c == '@' || c == '[' || c == '\\' || c == ']' || c == '^' || c == '_';
}

// What a pointer dereference's "^" can follow.
bool EndsOperand(char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == ')' || c == ']' || c == '^';
}

// True when line[0, end) ends with "#digits", "#$hexdigits" or a control character "^X".
// A "^X" after an operand is a dereference unless that operand is itself the end of a
// code, as the M is in ^M^J: such chains are walked back iteratively (a line of a
// thousand ^M must not recurse a thousand deep).
bool CodeEndsAt(std::string_view line, std::size_t end) {
  while (true) {
    std::size_t i = end;
    while (i > 0 && IsAsciiHexDigit(line[i - 1])) --i;
    if (i < end) {
      if (i >= 2 && line[i - 1] == '$' && line[i - 2] == '#') return true;
      if (i >= 1 && line[i - 1] == '#') {
        bool decimal = true;
        for (std::size_t k = i; k < end; ++k) decimal = decimal && IsAsciiDigit(line[k]);
        if (decimal) return true;
      }
    }
    if (end < 2 || line[end - 2] != '^' || !IsControlLetter(line[end - 1])) return false;
    if (end < 3 || !EndsOperand(line[end - 3])) return true;
    end -= 2;  // a code only if a code ends right before the "^"
  }
}

// True when line[begin, ...) starts with "#digit", "#$hexdigit" or "^X". Right after a
// closing quote a "^" can only start a control character.
bool CodeStartsAt(std::string_view line, std::size_t begin) {
  auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
  if (at(begin) == '#')
    return IsAsciiDigit(at(begin + 1)) || (at(begin + 1) == '$' && IsAsciiHexDigit(at(begin + 2)));
  return at(begin) == '^' && IsControlLetter(at(begin + 1));
}

}  // namespace

TGlue GlueAt(std::string_view line, std::int32_t start_pos, std::int32_t next_pos) {
  TGlue glue;
  if (start_pos > 1 && static_cast<std::size_t>(start_pos - 1) <= line.size())
    glue.before = CodeEndsAt(line, static_cast<std::size_t>(start_pos - 1));
  if (next_pos > 0) glue.after = CodeStartsAt(line, static_cast<std::size_t>(next_pos - 1));
  return glue;
}

std::string Replacement(std::uint16_t number, TGlue glue, std::string_view annotation) {
  std::string out;
  if (glue.before) out += '+';
  out += "GetLangStr(";
  out += std::to_string(number);
  out += ')';
  out += annotation;
  if (glue.after) out += '+';
  return out;
}

std::string Annotation(std::string_view text) {
  constexpr std::size_t kMaxCharacters = 40;
  const bool utf8 = IsValidUtf8(text);
  std::size_t end = 0;
  for (std::size_t characters = 0; end < text.size() && characters < kMaxCharacters; ++characters) {
    ++end;
    // A continuation byte belongs to the character before it.
    while (utf8 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
      ++end;
  }
  const std::string_view cut = text.substr(0, end);
  std::string out = " {";
  if (!cut.empty() && cut.front() == '$') out += ' ';
  for (std::size_t i = 0; i < cut.size(); ++i) {
    const auto c = static_cast<unsigned char>(cut[i]);
    const bool pair =
        i + 1 < cut.size() && ((c == '(' && cut[i + 1] == '*') || (c == '*' && cut[i + 1] == ')'));
    if (pair) {
      out += '?';
      ++i;
    } else if (c == '{' || c == '}' || c < 0x20 || c == 0x7F) {
      out += '?';
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + '}';
}

bool IsPCharRoutine(std::string_view name) {
  for (std::string_view routine : kPCharRoutines)
    if (SameTextAscii(routine, name)) return true;
  return false;
}

int FirstFreeNumber(const TvLangFileEdit& file) {
  // The largest, not the last: a table read out of order (9 then 5) must not get 6 to 9
  // a second time.
  return file.LargestNumber() + 1;
}

void CheckNumbering(const TvLangFileEdit& file, int first, int marked,
                    std::string_view source_name) {
  if (marked <= 0) return;
  const std::string where =
      "Cannot number the strings marked in " + std::string(source_name) + ": ";
  const std::string more = std::to_string(marked) + " more would pass 65535";
  if (first - 1 + marked > kMaxNumber)
    throw Error(where + file.FileName() + " already uses numbers up to " +
                std::to_string(first - 1) + ", and " + more);
  const std::size_t entries = file.Idents().size();
  if (entries + static_cast<std::size_t>(marked) > kMaxNumber)
    throw Error(where + file.FileName() + " holds " + std::to_string(entries) + " entries, and " +
                more);
}

std::string JoinLinesCrLf(std::span<const std::string> lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace polyverb
