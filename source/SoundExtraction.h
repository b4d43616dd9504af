// The sound candidate rules: literal extraction that follows the compiler's view of the
// source closely enough that every candidate can become a GetLangStr call and still
// compile, and that no code is silently skipped. FindStrings (LiteralExtraction.h) keeps
// the classic rules.
//
// Beyond the classic rules:
//  - the block depth never goes below 0; "implementation" starts the implementation part
//    at depth 0; "asm" opens a block like "begin", and nothing inside it is a candidate;
//  - conditional directives ({$IF...}, {$IFDEF}, {$IFNDEF}, {$IFOPT}, {$ELSE}, {$ELSEIF},
//    {$ENDIF}, {$IFEND}, also as (*$...*)): each branch starts from the whole scan state at
//    its {$IF...}; after {$ENDIF} the scan goes on with the state the first branch reached;
//  - never a candidate, since Pascal needs a constant or a Char there: a literal of one
//    character (one byte, or one UTF-8 sequence); a literal next to ".."; a case label
//    (from "of", or the ";" ending the previous arm, to the label's ":", at that case's
//    level; the labels end at its "else", "otherwise" or "end"); a literal inside a set
//    constructor after "in"; the value of an inline "const" inside a block;
//  - {$I name} / {$INCLUDE name} is followed (through a TIncludeResolver) and the included
//    text is scanned with the state at that point; {$I+}, {$I-} and {$I %DATE%} are
//    switches and macros;
//  - literals over several lines ('''...''') are read as one literal.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "source/LiteralList.h"

namespace polyverb {

// Lines of a scan are numbered through all of its files: the main file's lines first, then
// those of each include file in the order the resolver hands them out. A candidate's
// LineIndex and last_line are such numbers.

// An argument of a call to a routine that takes PChar (IsPCharRoutine), made only of
// string constants, with at least one candidate in it. It runs from column `col` of line
// `line` to just before column `end_col` of line `end_line`; its candidates are the
// entries `first` to `last` of the list.
struct TPCharArgument {
  std::int32_t line = 0;
  std::int32_t col = 1;
  std::int32_t end_line = 0;
  std::int32_t end_col = 1;
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool operator==(const TPCharArgument&) const = default;
};

// A file an include directive names, as the resolver hands it out.
struct TIncludedFile {
  std::span<const std::string_view> lines;  // must stay valid until the scan ends
  std::int32_t id = 0;                      // passed back as `from` for its own includes
  std::int32_t first_line = 0;              // the number of its first line in the scan
  bool offer = true;  // false: scanned for its effect on the state, its literals not offered
};

// Gives the file that `name` (as written in the directive on the 0-based line `line` of
// the file `from`; 0 is the main file) names, or nullopt when there is none to scan; the
// resolver reports why itself.
using TIncludeResolver = std::function<std::optional<TIncludedFile>(
    std::string_view name, std::int32_t from, std::int32_t line)>;

struct TSoundFacts {
  bool has_header = false;  // the main file starts with unit, program, library or package
  bool is_unit = false;     // ... with unit
  bool iso_mode = false;    // a {$MODE ISO} directive: no unit can be used
  std::vector<TPCharArgument> pchar_arguments;
};

// The name of a directive, upper case: "IFDEF" for {$ifdef X}, "I" for (*$I a.inc*).
std::string DirectiveName(std::string_view directive);

// The file name an include directive names: {$I name}, {$INCLUDE name}, {$I 'name'}.
// nullopt for any other directive, for switches ({$I+}, {$I-}) and macros ({$I %DATE%}).
// `directive` is the whole comment, delimiters included.
std::optional<std::string> IncludeFileName(std::string_view directive);

// Appends the candidates of the sound rules in `lines` (the main file, numbered from 0;
// its own literals are offered when `offer`) and in the files `includes` resolves, in
// scanning order. Without a resolver, include directives are skipped.
// REQUIRES: no line longer than INT32_MAX - 2 bytes.
TSoundFacts FindStringsSound(std::span<const std::string_view> lines, TLangStrings& strings,
                             const TIncludeResolver& includes = {}, bool offer = true);

}  // namespace polyverb
