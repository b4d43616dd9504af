// Literal extraction: the pass that lists the string literals of a Pascal source that
// are candidates for translation.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "source/LiteralList.h"

namespace polyverb {

// The words extraction registers as the scanner's Keywords, in this order.
inline constexpr std::array<std::string_view, 6> kExtractionKeywords = {
    "program", "implementation", "try", "case", "begin", "end"};

// Two-token contexts in which a literal names a field, parameter, filter, database or
// automation object rather than text for a person. Compared ignoring ASCII letter case.
// "filedname:=" is spelled so on purpose: it matches an identifier FiledName only.
inline constexpr std::array<std::string_view, 6> ExcludeKeys = {
    "fieldbyname(",   "filter:=",    "parambyname(",
    "databasename:=", "filedname:=", "createoleobject("};

// True when some byte of S, taken unsigned, is 65 ('A') or above.
bool HasTextChar(std::string_view s);

// Appends to Strings every candidate literal of Lines, in the order the scanner meets
// them. A candidate stands after "implementation" or "program", inside a begin, try or
// case block, has a byte of 65 or above, and is not in one of the ExcludeKeys contexts.
// Lines is only read. REQUIRES: no line longer than INT32_MAX - 2 bytes.
void FindStrings(std::span<const std::string_view> lines, TLangStrings& strings);
void FindStrings(std::span<const std::string> lines, TLangStrings& strings);

// True when the token before a literal and the one before that (`before`, `previous`, as
// written) make one of ExcludeKeys, in any letter case.
bool IsExcludedKey(std::string_view before, std::string_view previous);

}  // namespace polyverb
