// Suggested marks: for each candidate literal, whether it is text a person reads (suggest
// marking it) or data, or text only a developer reads (suggest leaving it), with the
// reason. The rules are one table (SuggestRules.cpp), tried in order; the first rule that
// applies decides.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "source/LiteralContext.h"
#include "source/LiteralList.h"

namespace polyverb {

enum class TSuggest : std::uint8_t { kLeave, kMark };

// "mark" or "leave".
std::string_view SuggestName(TSuggest suggest);

struct TSuggestion {
  TSuggest suggest = TSuggest::kLeave;
  std::string_view reason;  // one line; points into the rule table
};

// One rule of the table: when `applies` holds for a literal, the suggestion is `suggest`
// because of `reason`.
struct TSuggestRule {
  TSuggest suggest;
  bool (*applies)(const TLiteralContext& literal);
  std::string_view reason;
};

// The rules in the order they are tried. The last one applies to every literal.
std::span<const TSuggestRule> SuggestRules();

// The suggestion of the first rule that applies to `literal`.
TSuggestion Suggest(const TLiteralContext& literal);

// The suggestion for every entry of Strings, in order, from its context in Lines.
std::vector<TSuggestion> SuggestMarks(std::span<const std::string_view> lines,
                                      const TLangStrings& strings);
std::vector<TSuggestion> SuggestMarks(std::span<const std::string> lines,
                                      const TLangStrings& strings);

}  // namespace polyverb
