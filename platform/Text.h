// Locale services over byte strings. Texts pass through the system unchanged; only where
// letter case or collation matters are they interpreted: as UTF-8 when they are valid
// UTF-8, as Windows-1252 otherwise (every byte then has a meaning).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace polyverb {

// The text decoded by the rule above, as UTF-8 (a valid UTF-8 text is returned unchanged).
std::string DecodeToUtf8(std::string_view text);

// Each byte of `text` as the Windows-1252 character it stands for (every byte maps to
// one), in UTF-8.
std::string Windows1252ToUtf8(std::string_view text);
// Encodes UTF-8 `text` as Windows-1252 into `out`. Gives the first code point Windows-1252
// cannot hold (negative for a malformed sequence), nullopt when all of `text` was encoded.
std::optional<std::int32_t> Utf8ToWindows1252(std::string_view text, std::string& out);

// Lower-cases `text` by Unicode's simple case mapping (one character to one, the same in
// every locale) and returns it in the encoding it came in. A Windows-1252 character whose
// lower-case form has no Windows-1252 byte is kept.
std::string LowerCase(std::string_view text);

// Locale-aware comparison that ignores letter case (and only letter case): the collator of
// the process's locale at secondary strength decides; where it calls two texts equal, their
// case-folded forms decide, so texts merge only when they differ in letter case alone.
// Returns <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

}  // namespace polyverb
