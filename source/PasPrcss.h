// Source processing of one Pascal module. This part: literal extraction, the pass that
// lists the string literals that are candidates for translation.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "source/LangStrs.h"

#include <cstdint>
#include <functional>

namespace polyverb {

// The words extraction registers as the scanner's Keywords, in this order.
inline constexpr std::array<std::string_view, 6> ExtractionKeywords = {
    "program", "implementation", "try", "case", "begin", "end"};

// Two-token contexts in which a literal names a field, parameter, filter, database or
// automation object rather than text for a person. Compared ignoring ASCII letter case.
// "filedname:=" is spelled so on purpose: it matches an identifier FiledName only.
inline constexpr std::array<std::string_view, 6> ExcludeKeys = {
    "fieldbyname(",   "filter:=",    "parambyname(",
    "databasename:=", "filedname:=", "createoleobject("};

// True when some byte of S, taken unsigned, is 65 ('A') or above.
bool HasTextChar(std::string_view S);

// Appends to Strings every candidate literal of Lines, in the order the scanner meets
// them. A candidate stands after "implementation" or "program", inside a begin, try or
// case block, has a byte of 65 or above, and is not in one of the ExcludeKeys contexts.
// Lines is only read. REQUIRES: no line longer than INT32_MAX - 2 bytes.
void FindStrings(std::span<const std::string_view> Lines, TLangStrings& Strings);
void FindStrings(std::span<const std::string> Lines, TLangStrings& Strings);

// ---- Source rewriting and the language file update --------------------------------

// Full name of the source file being processed, as passed to ProcessPasFile; it keeps its
// value after the call (the chooser's caption reads it).
extern std::string CurFileName;
// The number the next marked literal receives.
extern uint16_t NextStrNumber;

// The seam through which the user marks literals. It must set Chosen on every entry of
// Strings (at least one entry) before it returns. Lines are the source lines as read.
// The add-in installs its dialog; the command line and tests install functions.
using TStringChooser =
    std::function<void(std::span<const std::string> Lines, TLangStrings& Strings)>;

// Installs `chooser` for the lifetime of this object; the previous one comes back after.
class ScopedStringChooser {
 public:
  explicit ScopedStringChooser(TStringChooser chooser);
  ~ScopedStringChooser();
  ScopedStringChooser(const ScopedStringChooser&) = delete;
  ScopedStringChooser& operator=(const ScopedStringChooser&) = delete;

 private:
  TStringChooser previous_;
};

// Lets the user mark the candidates through the installed chooser. With no chooser
// installed it fails with an Error (never marks silently).
void ChooseStrings(std::span<const std::string> Lines, TLangStrings& Strings);

// Processes one module's source: reads the language file LangName names (creating it),
// reads FileName, finds the candidates, lets the user mark them, replaces each marked
// literal by GetLangStr(n) and stores its text under n, writes the source (CR LF) and
// always saves the language file once it was read. Failures are raised after the language
// file has been saved.
void ProcessPasFile(const std::string& FileName, const std::string& LangName);

}  // namespace polyverb
