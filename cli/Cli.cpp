#include "cli/Cli.h"

#include <sys/stat.h>

#include <charconv>

#include "platform/Bytes.h"

namespace polyverb::cli {

bool WantsHelp(std::span<const std::string> args) {
  for (const auto& a : args) {
    if (a == "--") return false;
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

void RefuseOverwritingInput(const std::string& output, std::span<const std::string> inputs) {
  struct stat out;
  const bool out_exists = ::stat(output.c_str(), &out) == 0;
  for (const std::string& input : inputs) {
    struct stat in;
    const bool same = input == output || (out_exists && ::stat(input.c_str(), &in) == 0 &&
                                          in.st_dev == out.st_dev && in.st_ino == out.st_ino);
    if (same)
      throw UsageError("the output " + output + " is the input " + input +
                       "; writing it would destroy what is read");
  }
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

}  // namespace polyverb::cli
