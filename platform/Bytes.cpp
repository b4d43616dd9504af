#include "platform/Bytes.h"

#include <unicode/utf8.h>

namespace polyverb {

std::string AsciiLowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

std::string_view LineEndOf(std::string_view text) {
  const std::size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos) return "\r\n";
  if (text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();)
    if (NextUtf8(text, pos) < 0) return false;
  return true;
}

// ICU's macros reject overlong forms, surrogates and values past 0x10FFFF.
std::int32_t NextUtf8(std::string_view text, std::size_t& pos) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  auto i = static_cast<std::int64_t>(pos);
  const auto length = static_cast<std::int64_t>(text.size());
  UChar32 c;
  U8_NEXT(s, i, length, c);
  pos = static_cast<std::size_t>(i);
  return c;
}

void AppendUtf8(std::string& out, std::uint32_t code_point) {
  std::uint8_t buffer[U8_MAX_LENGTH];
  int n = 0;
  U8_APPEND_UNSAFE(buffer, n, code_point);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

}  // namespace polyverb
