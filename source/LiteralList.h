// TLangStrings: the string literals that extraction found in one source file, in the
// order the scanner met them (line by line, left to right), each with its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

// One literal occurrence. In line LineIndex it occupies columns StartPos to NextPos - 1,
// both quotes included. A literal over several lines (read by the sound rules only) runs
// from StartPos of line LineIndex to NextPos - 1 of line last_line.
struct TLangStr {
  bool Chosen = false;         // picked for translation (set by the chooser)
  std::string Text;            // quotes removed, each doubled quote reduced to one
  std::int32_t LineIndex = 0;  // 0-based line
  std::int32_t StartPos = 0;   // 1-based column of the opening quote
  std::int32_t NextPos = 0;    // 1-based column just past the closing quote
  std::int32_t last_line = 0;  // the line of the closing quote: LineIndex but for multi-line
};

// Owns its entries; a reference from Items stays valid while the list lives.
class TLangStrings {
 public:
  TLangStrings() = default;
  TLangStrings(const TLangStrings&) = delete;
  TLangStrings& operator=(const TLangStrings&) = delete;

  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  // Throws "List index out of bounds (%d)" for an Index outside 0 to Count - 1.
  TLangStr& Items(std::int32_t index);
  const TLangStr& Items(std::int32_t index) const;
  // Appends a new entry with Chosen false; returns its index (the Count before the call).
  // `last_line` below 0 means LineIndex.
  std::int32_t Add(std::string_view text, std::int32_t line_index, std::int32_t start_pos,
                   std::int32_t next_pos, std::int32_t last_line = -1);

 private:
  std::vector<std::unique_ptr<TLangStr>> FItems;
};

// The number of entries with Chosen set.
std::int32_t CountChosen(const TLangStrings& strings);

}  // namespace polyverb
