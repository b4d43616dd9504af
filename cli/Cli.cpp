#include "cli/Cli.h"

#include <algorithm>
#include <charconv>

#include "platform/Bytes.h"

namespace polyverb::cli {

bool WantsHelp(std::span<const std::string> args) {
  for (const auto& a : args)
    if (a == "-h" || a == "--help") return true;
  return false;
}

std::string EscapeText(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  return out;
}

bool ParseNumber(std::string_view word, unsigned long min, unsigned long max, unsigned long& out) {
  if (word.empty() || word.size() > 10) return false;
  for (char c : word)
    if (!IsAsciiDigit(c)) return false;
  unsigned long value = 0;
  auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || ptr != word.data() + word.size() || value < min || value > max)
    return false;
  out = value;
  return true;
}

std::vector<NumberRange> ParseNumberList(const std::string& text, std::string_view option,
                                         unsigned long min, unsigned long max) {
  auto malformed = [&](const std::string& why) {
    return UsageError("malformed " + std::string(option) + " list '" + text + "': " + why);
  };
  std::vector<NumberRange> ranges;
  std::size_t pos = 0;
  while (true) {
    const std::size_t comma = std::min(text.find(',', pos), text.size());
    const std::string item = text.substr(pos, comma - pos);
    if (item.empty()) throw malformed("an empty item");
    NumberRange range;
    const std::size_t dash = item.find('-');
    const bool ok =
        dash == std::string::npos
            ? ParseNumber(item, min, max, range.first)
            : ParseNumber(std::string_view(item).substr(0, dash), min, max, range.first) &&
                  ParseNumber(std::string_view(item).substr(dash + 1), min, max, range.last);
    if (!ok)
      throw malformed("'" + item + "' is not a number or a range N-M of numbers from " +
                      std::to_string(min) +
                      (max < 0xFFFFFFFFul ? " to " + std::to_string(max) : std::string()));
    if (dash == std::string::npos) range.last = range.first;
    if (range.last < range.first) throw malformed("the range '" + item + "' runs backwards");
    ranges.push_back(range);
    if (comma == text.size()) break;
    pos = comma + 1;
  }
  return ranges;
}

}  // namespace polyverb::cli
