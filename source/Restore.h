// Taking a conversion back: GetLangStr(n) calls become the literals they stood for again,
// their texts read from the language file.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

class TvLangFile;

// The Pascal literal whose value is `text`: in quotes, each quote doubled. CR and LF
// cannot stand between quotes and are written as #13 and #10 outside them
// ('a'#13#10'b'); every other byte stands as it is. The empty text is ''.
std::string PascalLiteral(std::string_view text);

// A GetLangStr(n) call in a source line, as conversion writes it: optionally wrapped
// in PChar( ), optionally followed by its annotation comment.
struct TLangCall {
  std::int32_t LineIndex = 0;
  std::int32_t StartPos = 0;  // the first column of "GetLangStr" or of a wrapping "PChar("
  std::int32_t NextPos = 0;   // the column just past the last ")"
  long long Number = 0;       // as written; may lie outside 0..65535 in hand-written code
};

// Every call of Lines in source order: the word GetLangStr (any letter case), "(", a
// decimal number, ")" as the scanner reads them, so a call inside a string or comment is
// none. The name may end a longer word of the scanner's after a character that no
// identifier holds ("[GetLangStr" in p^[GetLangStr(5)]).
std::vector<TLangCall> FindLangCalls(std::span<const std::string_view> lines);

// One call put back, for a dry run's listing.
struct TRestoredCall {
  TLangCall call;
  std::string written;  // the call as it stood ("PChar(GetLangStr(4))")
  std::string literal;  // what replaced it
};

struct TRestoreResult {
  std::vector<std::string> lines;       // the source with the selected calls restored
  std::vector<TRestoredCall> restored;  // in source order
  std::vector<TLangCall> missing;       // selected, but the language file lacks the number
  std::set<long long> remaining;        // numbers still called after the restore
  bool uses_removed = false;            // vLangRT taken out of the uses clause
  bool Changed() const { return !restored.empty() || uses_removed; }
};

// Restores in Lines every call whose number `selected` accepts and the language file
// holds (the first entry of a number counts, as at run time). A "+" that conversion put
// between the call and a character code ('abc'#13 became GetLangStr(1)+#13) goes too,
// and so does the call's annotation comment when it matches the text. Calls left
// (not selected, or missing from the file) stay byte for byte. When no call is left, the
// run-time unit vLangRT leaves the uses clause where conversion put it, unless the file
// still names something of it.
TRestoreResult RestoreLangCalls(std::span<const std::string_view> lines, const TvLangFile& lang,
                                const std::function<bool(long long)>& selected);

}  // namespace polyverb
