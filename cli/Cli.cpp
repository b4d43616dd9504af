#include "cli/Cli.h"

#include <sys/stat.h>

#include <algorithm>
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
  std::string out;
  out.reserve(text.size());
  AppendEscapedText(out, text);
  return out;
}

void AppendEscapedText(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  auto plain = [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c >= 0x20 && c != 0x7F && c != '\\';
  };
  // Most texts need no escape at all: runs of plain bytes go over in one piece.
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t run = i;
    while (run < text.size() && plain(text[run])) ++run;
    out.append(text.data() + i, run - i);
    if (run == text.size()) break;
    const auto c = static_cast<unsigned char>(text[run]);
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
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    i = run + 1;
  }
}

void AppendNumber(std::string& out, long long value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
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

const std::string& OptionValue(std::span<const std::string> args, std::size_t& i) {
  if (i + 1 >= args.size()) throw UsageError("option '" + args[i] + "' needs a value");
  return args[++i];
}

const std::string& LanguageValue(std::span<const std::string> args, std::size_t& i) {
  const std::string& name = OptionValue(args, i);
  if (name.empty()) throw UsageError("--lang needs a language name");
  return name;
}

bool TakeJobsOption(std::span<const std::string> args, std::size_t& i, unsigned& jobs) {
  const std::string& a = args[i];
  std::string_view value;
  if (a == "-j" || a == "--jobs") {
    if (i + 1 == args.size()) throw UsageError("option '" + a + "' needs a number of jobs");
    value = args[++i];
  } else if (a.starts_with("--jobs=")) {
    value = std::string_view(a).substr(7);
  } else if (a.starts_with("-j")) {
    value = std::string_view(a).substr(2);
  } else {
    return false;
  }
  unsigned long count = 0;
  if (!ParseNumber(value, 1, kMaxJobs, count))
    throw UsageError("'" + std::string(value) + "' is not a number of jobs from 1 to " +
                     std::to_string(kMaxJobs));
  jobs = static_cast<unsigned>(count);
  return true;
}

}  // namespace polyverb::cli
