// The command line's shared pieces: the command table, usage errors, output escaping.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"

namespace polyverb::cli {

// A mistake in how a command was called. Reported with exit status 2; nothing has been
// read or written when it is raised.
class UsageError : public Error {
 public:
  explicit UsageError(const std::string& message) : Error(message) {}
};

// Exit statuses of polyverb and polyverb-ide.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr unsigned long kMaxJobs = 1024;
// polyverb-ide --yes: the run completed, but a message was shown (a module skipped).
inline constexpr int kExitMessageShown = 3;

// One subcommand. `args` are the words after the command's name. A handler returns its
// exit status or throws: Error gives 1, UsageError gives 2.
struct Command {
  std::string_view name;
  std::string_view summary;
  std::string_view help;  // full text for `polyverb NAME --help`
  int (*run)(std::span<const std::string> args);
};

std::span<const Command> Commands();

// True when `args` asks for help (-h or --help anywhere before a "--").
bool WantsHelp(std::span<const std::string> args);

// Bytes as a line of machine-readable output: backslash as \\, tab \t, CR \r, LF \n, every
// other byte below 0x20 and 0x7F as \xNN (lowercase hex); all other bytes unchanged.
std::string EscapeText(std::string_view text);
// The same, appended to `out`.
void AppendEscapedText(std::string& out, std::string_view text);
// `value` in decimal, appended to `out`.
void AppendNumber(std::string& out, long long value);

// A decimal in [min, max], or nullopt when `word` is anything else (sign, blank, overflow).
bool ParseNumber(std::string_view word, unsigned long min, unsigned long max, unsigned long& out);

// An inclusive range of numbers from a list such as 1,3,5-9.
struct NumberRange {
  unsigned long first = 0;
  unsigned long last = 0;
  bool Contains(unsigned long n) const { return n >= first && n <= last; }
};

// The ranges of a list such as "1,3,5-9", each number from `min` to `max`. Throws a
// UsageError "malformed OPTION list 'TEXT': ..." naming the bad item.
std::vector<NumberRange> ParseNumberList(const std::string& text, std::string_view option,
                                         unsigned long min, unsigned long max = 0xFFFFFFFFul);
// The jobs option of commands that work on many files: "-j N", "-jN", "--jobs N" or
// "--jobs=N" starting at args[i]. Sets `jobs` and moves `i` to the option's last word when
// it is one; answers false for any other word. Throws UsageError for a bad count.
bool TakeJobsOption(std::span<const std::string> args, std::size_t& i, unsigned& jobs);
// The word after the option at args[i], moving `i` to it. Throws UsageError "option 'X'
// needs a value" when the option is the last word.
const std::string& OptionValue(std::span<const std::string> args, std::size_t& i);
// The value of --lang at args[i]: a language name, never empty (an empty one would give
// the hidden file ".lng").
const std::string& LanguageValue(std::span<const std::string> args, std::size_t& i);
// Throws UsageError when `output` names one of `inputs`: the same name, or the same file
// once links are followed. Writing it would destroy what the command reads.
void RefuseOverwritingInput(const std::string& output, std::span<const std::string> inputs);

// Handlers, one per file.
int RunForms(std::span<const std::string> args);
int RunLng(std::span<const std::string> args);
int RunList(std::span<const std::string> args);
int RunProcess(std::span<const std::string> args);
int RunRestore(std::span<const std::string> args);
int RunTokens(std::span<const std::string> args);

}  // namespace polyverb::cli
