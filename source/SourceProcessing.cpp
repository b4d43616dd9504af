#include "source/SourceProcessing.h"

#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "source/LiteralExtraction.h"
#include "source/Rewrite.h"
#include "source/Scanner.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"
#include "source/UnitRewrite.h"

namespace polyverb {

std::string CurFileName;
uint16_t NextStrNumber = 0;
TvLangFileEdit* LangFile = nullptr;

namespace {

TStringChooser& InstalledChooser() {
  static TStringChooser chooser;
  return chooser;
}

// Points LangFile at a call's language file and clears it on every way out.
class LangFileScope {
 public:
  explicit LangFileScope(TvLangFileEdit& file) { LangFile = &file; }
  ~LangFileScope() { LangFile = nullptr; }
  LangFileScope(const LangFileScope&) = delete;
  LangFileScope& operator=(const LangFileScope&) = delete;
};

// Every chosen entry must lie within its line as read, or the splice would cut elsewhere.
void CheckPlaces(const std::vector<std::string>& lines, const TLangStrings& strings) {
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    const bool inside = s.LineIndex >= 0 && static_cast<std::size_t>(s.LineIndex) < lines.size() &&
                        s.StartPos >= 1 && s.StartPos < s.NextPos &&
                        static_cast<std::size_t>(s.NextPos - 1) <=
                            lines[static_cast<std::size_t>(s.LineIndex)].size();
    if (!inside)
      throw Error("String " + std::to_string(i) + " of " + CurFileName + " (line " +
                  std::to_string(s.LineIndex + 1) + ", columns " + std::to_string(s.StartPos) +
                  " to " + std::to_string(s.NextPos) + ") lies outside the source");
  }
}

}  // namespace

ScopedStringChooser::ScopedStringChooser(TStringChooser chooser)
    : previous_(std::exchange(InstalledChooser(), std::move(chooser))) {}

ScopedStringChooser::~ScopedStringChooser() {
  InstalledChooser() = std::move(previous_);
}

void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings) {
  if (strings.Count() == 0) return;
  const TStringChooser& chooser = InstalledChooser();
  if (!chooser) throw Error("No string chooser is installed to mark the strings of " + CurFileName);
  // Cleared first, so whatever the chooser does not mark counts as unmarked.
  for (std::int32_t i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = false;
  chooser(lines, strings);
}

void ReplaceStrings(std::vector<std::string>& lines, const TLangStrings& strings) {
  if (!LangFile) throw Error("ReplaceStrings called with no language file");
  CheckPlaces(lines, strings);
  CheckNumbering(*LangFile, NextStrNumber, CountChosen(strings), CurFileName);

  std::int32_t last_line = -1;
  std::int32_t shift = 0;
  std::string as_read;  // the line before its first replacement: glue is judged on it
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    if (!s.Chosen) continue;
    std::string& line = lines[static_cast<std::size_t>(s.LineIndex)];
    if (s.LineIndex != last_line) {
      last_line = s.LineIndex;
      shift = 0;
      as_read = line;
    }
    const std::string replacement =
        Replacement(NextStrNumber, GlueAt(as_read, s.StartPos, s.NextPos));
    const auto from = static_cast<std::size_t>(s.StartPos + shift - 1);
    const auto length = static_cast<std::size_t>(s.NextPos - s.StartPos);
    line.replace(from, length, replacement);
    shift += static_cast<std::int32_t>(replacement.size()) - (s.NextPos - s.StartPos);
    LangFile->AddIdent(NextStrNumber, s.Text, 0);
    ++NextStrNumber;
  }
}

namespace {

// A file a conversion has made ready, written after the language file is saved.
struct PendingWrite {
  std::string path;
  std::string text;
};

// The classic conversion: FindStrings, ChooseStrings, ReplaceStrings on the one file.
std::vector<PendingWrite> ConvertClassic(const std::string& file_name) {
  TLangStrings strings;
  std::vector<std::string> lines;
  {
    const SourceText source = ReadSourceFile(file_name);
    FindStrings(source.Lines(), strings);
    // Lines to edit are copied only when there is something to replace.
    if (strings.Count() > 0) lines.assign(source.Lines().begin(), source.Lines().end());
  }
  if (strings.Count() == 0) return {};
  ChooseStrings(lines, strings);
  // Checked here on the full int: 65536 would wrap to 0 in the 16-bit NextStrNumber.
  const int first = FirstFreeNumber(*LangFile);
  CheckNumbering(*LangFile, first, CountChosen(strings), file_name);
  NextStrNumber = static_cast<uint16_t>(first);
  ReplaceStrings(lines, strings);
  return {{file_name, JoinLinesCrLf(lines)}};
}

// The sound conversion: the module with its include files, and the run-time unit.
std::vector<PendingWrite> ConvertSound(const std::string& file_name, TConversionRun& run) {
  TSourceUnit unit(file_name, run);
  if (!unit.Facts().has_header && unit.File(0).offered)
    run.Warn(file_name +
             " has no unit or program header, so nothing in it is converted on its own; if it "
             "is an include file, convert the unit or program that includes it");
  TLangStrings& strings = unit.Strings();
  if (strings.Count() == 0 && !unit.IncludesRewritten()) return {};
  if (unit.Facts().iso_mode)
    throw Error(file_name +
                " selects ISO mode ({$MODE ISO}), in which a program cannot use units; it "
                "cannot call GetLangStr, so it was not rewritten");

  if (strings.Count() > 0) ChooseStrings(unit.AllLines(), strings);
  const int first = FirstFreeNumber(*LangFile);
  CheckNumbering(*LangFile, first, CountChosen(strings), file_name);
  NextStrNumber = static_cast<uint16_t>(first);
  const TUnitRewrite plan = PlanUnitRewrite(unit, NextStrNumber);
  if (plan.uses == TUsesStep::kNoPlace)
    run.Warn(file_name + ": no implementation part or program heading to add " +
             std::string(kRunTimeUsesEntry) + " to; add it to a uses clause yourself");

  std::vector<PendingWrite> writes;
  // Include files first: the module that includes them is written last.
  for (std::size_t k = 1; k <= unit.FileCount(); ++k) {
    const std::size_t i = k % unit.FileCount();
    if (!plan.written[i]) continue;
    const TSourceFile& f = unit.File(i);
    writes.push_back({f.path, ApplyEdits(f.text.Lines(), plan.edits[i])});
  }
  for (const TUnitRewrite::Replaced& r : plan.replaced)
    LangFile->AddIdent(r.number, strings.Items(r.entry).Text, 0);
  NextStrNumber = static_cast<uint16_t>(first + static_cast<int>(plan.replaced.size()));
  if (plan.replaced_in[0] > 0) run.MarkRewritten(unit.File(0).key);  // a later unit may include it
  for (std::size_t i = 1; i < unit.FileCount(); ++i) {
    if (!plan.written[i]) continue;
    if (plan.replaced_in[i] > 0) run.MarkRewritten(unit.File(i).key);
    run.Note("include file " + unit.File(i).path + " rewritten, " +
             std::to_string(plan.replaced_in[i]) + " of its literals replaced");
  }
  if (plan.uses_added) {
    run.NoteUsesAdded(file_name);
    run.Note(std::string(kRunTimeUsesEntry) + " added to the uses clause");
  }
  return writes;
}

}  // namespace

void ProcessPasFile(const std::string& file_name, const std::string& lang_name) {
  TConversionRun run;
  ProcessPasFile(file_name, lang_name, run);
}

void ProcessPasFile(const std::string& file_name, const std::string& lang_name,
                    TConversionRun& run) {
  CurFileName = file_name;
  // A language file that cannot be read stops everything before the source is read.
  const auto lang_file = std::make_unique<TvLangFileEdit>(lang_name);
  const LangFileScope scope(*lang_file);

  std::exception_ptr failure;
  bool save_tried = false;  // a failed save is not tried a second time
  try {
    const std::vector<PendingWrite> writes =
        run.Sound() ? ConvertSound(file_name, run) : ConvertClassic(file_name);
    if (!writes.empty()) {
      // The language file first: should its save fail, the sources still hold the literals.
      save_tried = true;
      LangFile->Save();
      for (const PendingWrite& w : writes) {
        try {
          ReplaceFile(w.path, w.text);
        } catch (const Error&) {
          throw CannotCreateFile(w.path);
        }
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }

  if (!save_tried) {
    try {
      LangFile->Save();
    } catch (const Error& save_failure) {
      if (!failure) throw;
      try {
        std::rethrow_exception(failure);
      } catch (const Error& first) {
        throw Error(std::string(first.what()) +
                    " (the language file was not saved either: " + save_failure.what() + ")");
      }
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace polyverb
