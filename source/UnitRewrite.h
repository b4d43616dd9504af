// The sound rewrite of a unit and its include files: every marked literal replaced by its
// GetLangStr call (Rewrite.h spells the texts), PChar arguments wrapped, and the run-time
// unit added to the uses clause of a file that needs it. Edits are planned first and
// applied in one pass per file, so nothing is changed when planning fails.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "source/LiteralList.h"
#include "source/SourceUnit.h"

namespace polyverb {

// The unit a rewritten file must use for GetLangStr, and the units that provide it.
inline constexpr std::string_view kRunTimeUsesEntry = "vLangRT";
inline constexpr std::string_view kRunTimeUnits[] = {"vmlang", "vlangrt"};

// The text from (line, col) to just before (end_line, end_col) of one file's lines becomes
// `text`; line 0-based, columns 1-based. An insertion has the end equal to the start.
struct TLineEdit {
  std::int32_t line = 0;
  std::int32_t col = 1;
  std::int32_t end_line = 0;
  std::int32_t end_col = 1;
  std::string text;
  bool operator==(const TLineEdit&) const = default;
};

// The lines with the edits made, every line followed by CR LF (as ReplaceStrings' files
// are written). An insertion goes before a replacement that starts where it stands.
// Throws Error when two edits overlap or one lies outside the lines.
std::string ApplyEdits(std::span<const std::string_view> lines, std::vector<TLineEdit> edits);

// The units the uses clauses of `lines` name, lower case, dotted names joined, in order
// (each branch of a conditional clause counted).
std::vector<std::string> UsedUnits(std::span<const std::string_view> lines);

enum class TUsesStep : std::uint8_t {
  kAlreadyUsed,  // a uses clause names vMLang or vLangRT
  kAdd,          // the edits add vLangRT
  kNoPlace,      // neither an implementation part nor a program heading to put it in
};

struct TUsesEdit {
  TUsesStep step = TUsesStep::kNoPlace;
  std::vector<TLineEdit> edits;
};

// How to make the source `lines` use vLangRT: for a unit in the implementation part's uses
// clause, for a program (or library) in its uses clause. The entry goes right after each
// word "uses" that opens such a clause (one per conditional branch), so branches inside
// the clause stay whole; a missing clause is created after "implementation" or after the
// program heading. `is_unit` tells a unit from a program.
TUsesEdit RunTimeUsesEdit(std::span<const std::string_view> lines, bool is_unit);

// The rewrite of one unit for the marked entries of unit.Strings().
struct TUnitRewrite {
  struct Replaced {
    std::int32_t entry = 0;    // index into the list
    std::uint16_t number = 0;  // its GetLangStr number
    std::string shown;         // what takes the literal's place, with an adjoining "PChar(" or ")"
  };
  std::vector<Replaced> replaced;  // in list order, numbered upwards from the first number
  // Per file of the unit (same index): its edits, and whether it is written at all (it has
  // candidates, or it is the main file and gains the run-time unit).
  std::vector<std::vector<TLineEdit>> edits;
  std::vector<bool> written;
  std::vector<int> replaced_in;  // literals replaced per file
  TUsesStep uses = TUsesStep::kAlreadyUsed;
  bool uses_added = false;  // the main file gains vLangRT
};

// Plans the sound rewrite: marked literals numbered from `first` in list order. The main
// file gains vLangRT when a literal of it or of its include files is replaced, or when it
// includes a file an earlier unit of the run rewrote (unit.IncludesRewritten()).
// REQUIRES: first + number of marked entries - 1 <= 65535 (CheckNumbering).
TUnitRewrite PlanUnitRewrite(const TSourceUnit& unit, std::uint16_t first);

}  // namespace polyverb
