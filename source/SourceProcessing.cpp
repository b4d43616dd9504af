#include "source/SourceProcessing.h"

#include <sys/stat.h>

#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "langfile/LangFileWriter.h"
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

bool& Annotating() {
  static bool annotating = false;
  return annotating;
}

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

ScopedAnnotation::ScopedAnnotation(bool annotate)
    : previous_(std::exchange(Annotating(), annotate)) {}

ScopedAnnotation::~ScopedAnnotation() {
  Annotating() = previous_;
}

bool AnnotateCalls() {
  return Annotating();
}

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
        Replacement(NextStrNumber, GlueAt(as_read, s.StartPos, s.NextPos),
                    AnnotateCalls() ? Annotation(s.Text) : std::string());
    const auto from = static_cast<std::size_t>(s.StartPos + shift - 1);
    const auto length = static_cast<std::size_t>(s.NextPos - s.StartPos);
    line.replace(from, length, replacement);
    shift += static_cast<std::int32_t>(replacement.size()) - (s.NextPos - s.StartPos);
    LangFile->AddIdent(NextStrNumber, s.Text, 0);
    ++NextStrNumber;
  }
}

namespace {

// What identifies the content of a file on disk without reading it: an atomic replace
// gives a new inode, an edit in place a new size or time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

// Raises `failure` with the failed save's message appended; raises the save's failure
// itself when there was none before.
[[noreturn]] void RaiseWithSaveFailure(const std::exception_ptr& failure,
                                       const Error& save_failure) {
  if (!failure) throw save_failure;
  try {
    std::rethrow_exception(failure);
  } catch (const Error& first) {
    throw Error(std::string(first.what()) +
                " (the language file was not saved either: " + save_failure.what() + ")");
  }
}

// A file a conversion has made ready, written after the language file is saved.
struct PendingWrite {
  std::string path;
  std::string text;
};

using Stamps = std::vector<std::pair<std::string, std::optional<FileStamp>>>;

void StampIncludes(const TSourceUnit& unit, Stamps& stamps) {
  for (std::size_t i = 1; i < unit.FileCount(); ++i)
    stamps.emplace_back(unit.File(i).path, StampOf(unit.File(i).path));
}

bool Unchanged(const Stamps& stamps) {
  for (const auto& [path, stamp] : stamps)
    if (StampOf(path) != stamp) return false;
  return true;
}

}  // namespace

struct TScannedModule::Scan {
  explicit Scan(const TConversionOptions& options) : run(options) {}
  TConversionRun run;                 // the scan's own: what it warned of
  std::unique_ptr<TSourceUnit> unit;  // null when the file could not be read
  Stamps stamps;
};

TScannedModule::TScannedModule(std::string file_name, const TConversionOptions& options)
    : file_name_(std::move(file_name)), scan_(std::make_unique<Scan>(options)) {
  scan_->stamps.emplace_back(file_name_, StampOf(file_name_));
  try {
    scan_->unit = std::make_unique<TSourceUnit>(file_name_, scan_->run);
  } catch (const Error&) {
    return;  // read again in its turn, which reports the failure where it belongs
  }
  StampIncludes(*scan_->unit, scan_->stamps);
}

TScannedModule::~TScannedModule() = default;
TScannedModule::TScannedModule(TScannedModule&&) noexcept = default;
TScannedModule& TScannedModule::operator=(TScannedModule&&) noexcept = default;

namespace {

// The unit of `scan` as `run` would read it now, and the stamps of its files. The scan
// made ahead stands when its files are as they were read and the run has offered none of
// them: the run's state (include files offered or rewritten by earlier units) then plays
// no part, and the run learns what the scan would have taught it. Else the file is read
// again with the run.
std::unique_ptr<TSourceUnit> TakeScan(TScannedModule::Scan& scan, const std::string& file_name,
                                      TConversionRun& run, Stamps& stamps) {
  std::unique_ptr<TSourceUnit> unit = std::move(scan.unit);
  bool alike = unit != nullptr && Unchanged(scan.stamps);
  for (std::size_t i = 0; alike && i < unit->FileCount(); ++i)
    alike = !run.Offered(unit->File(i).key);
  if (!alike) {
    stamps = {{file_name, StampOf(file_name)}};
    unit = std::make_unique<TSourceUnit>(file_name, run);
    StampIncludes(*unit, stamps);
    return unit;
  }
  if (run.Sound())
    for (std::size_t i = 0; i < unit->FileCount(); ++i) run.MarkOffered(unit->File(i).key, i > 0);
  for (std::string& w : scan.run.TakeWarnings()) run.Warn(std::move(w));
  stamps = std::move(scan.stamps);
  return unit;
}

// A module read and marked, before the language file is locked: the user may take minutes
// at the chooser, so nothing here holds the lock. Files are stamped before they are read,
// and a file changed on disk meanwhile is not rewritten.
class Conversion {
 public:
  Conversion(const std::string& file_name, TConversionRun& run) : file_name_(file_name), run_(run) {
    stamps_.emplace_back(file_name, StampOf(file_name));
    unit_ = std::make_unique<TSourceUnit>(file_name_, run_);
    StampIncludes(*unit_, stamps_);
    Mark();
  }

  // The same from a scan made ahead.
  Conversion(TScannedModule::Scan& scan, const std::string& file_name, TConversionRun& run)
      : file_name_(file_name), run_(run) {
    unit_ = TakeScan(scan, file_name, run, stamps_);
    Mark();
  }

  // Under the lock: numbers the marked literals from the table as read now, adds them to
  // LangFile and returns the files to write, include files before the module.
  std::vector<PendingWrite> Finish() {
    for (const auto& [path, stamp] : stamps_)
      if (StampOf(path) != stamp)
        throw Error("Source file " + path +
                    " was changed on disk while its strings were chosen; it was not rewritten");
    return run_.Sound() ? FinishSound() : FinishClassic();
  }

 private:
  void Mark() {
    if (run_.Sound())
      MarkSound();
    else
      MarkClassic();
  }

  void MarkClassic() {
    const SourceText& source = unit_->File(0).text;
    has_bom_ = source.HasByteOrderMark();
    if (unit_->Strings().Count() == 0) return;
    // Lines to edit are copied only when there is something to replace.
    lines_.assign(source.Lines().begin(), source.Lines().end());
    ChooseStrings(lines_, unit_->Strings());
  }

  void MarkSound() {
    const TSourceUnit& unit = *unit_;
    if (!unit.Facts().has_header && unit.File(0).offered)
      run_.Warn(file_name_ +
                " has no unit or program header, so nothing in it is converted on its own; if "
                "it is an include file, convert the unit or program that includes it");
    if (unit_->Strings().Count() == 0 && !unit.IncludesRewritten()) return;
    if (unit.Facts().iso_mode)
      throw Error(file_name_ +
                  " selects ISO mode ({$MODE ISO}), in which a program cannot use units; it "
                  "cannot call GetLangStr, so it was not rewritten");
    if (unit_->Strings().Count() > 0) ChooseStrings(unit_->AllLines(), unit_->Strings());
    has_work_ = true;
  }

  std::vector<PendingWrite> FinishClassic() {
    TLangStrings& strings = unit_->Strings();
    if (strings.Count() == 0) return {};
    // Checked here on the full int: 65536 would wrap to 0 in the 16-bit NextStrNumber.
    const int first = FirstFreeNumber(*LangFile);
    CheckNumbering(*LangFile, first, CountChosen(strings), file_name_);
    NextStrNumber = static_cast<uint16_t>(first);
    ReplaceStrings(lines_, strings);
    return {{file_name_,
             (has_bom_ ? std::string(kUtf8ByteOrderMark) : std::string()) + JoinLinesCrLf(lines_)}};
  }

  std::vector<PendingWrite> FinishSound() {
    if (!has_work_) return {};
    TSourceUnit& unit = *unit_;
    TLangStrings& strings = unit.Strings();
    const int first = FirstFreeNumber(*LangFile);
    CheckNumbering(*LangFile, first, CountChosen(strings), file_name_);
    NextStrNumber = static_cast<uint16_t>(first);
    const TUnitRewrite plan = PlanUnitRewrite(unit, NextStrNumber);
    if (plan.uses == TUsesStep::kNoPlace)
      run_.Warn(file_name_ + ": no implementation part or program heading to add " +
                std::string(kRunTimeUsesEntry) + " to; add it to a uses clause yourself");

    std::vector<PendingWrite> writes;
    // Include files first: the module that includes them is written last.
    for (std::size_t k = 1; k <= unit.FileCount(); ++k) {
      const std::size_t i = k % unit.FileCount();
      if (!plan.written[i]) continue;
      const TSourceFile& f = unit.File(i);
      writes.push_back(
          {f.path, (f.text.HasByteOrderMark() ? std::string(kUtf8ByteOrderMark) : std::string()) +
                       ApplyEdits(f.text.Lines(), plan.edits[i])});
    }
    for (const TUnitRewrite::Replaced& r : plan.replaced)
      LangFile->AddIdent(r.number, strings.Items(r.entry).Text, 0);
    NextStrNumber = static_cast<uint16_t>(first + static_cast<int>(plan.replaced.size()));
    // A later unit may include this one.
    if (plan.replaced_in[0] > 0) run_.MarkRewritten(unit.File(0).key);
    for (std::size_t i = 1; i < unit.FileCount(); ++i) {
      if (!plan.written[i]) continue;
      if (plan.replaced_in[i] > 0) run_.MarkRewritten(unit.File(i).key);
      run_.Note("include file " + unit.File(i).path + " rewritten, " +
                std::to_string(plan.replaced_in[i]) + " of its literals replaced");
    }
    if (plan.uses_added) {
      run_.NoteUsesAdded(file_name_);
      run_.Note(std::string(kRunTimeUsesEntry) + " added to the uses clause");
    }
    return writes;
  }

  std::string file_name_;
  TConversionRun& run_;
  Stamps stamps_;
  // The module, with its include files by the sound rules.
  std::unique_ptr<TSourceUnit> unit_;
  // The classic rules: the module's lines to edit.
  std::vector<std::string> lines_;
  bool has_bom_ = false;
  bool has_work_ = false;  // the sound rules: something to write
};

// ProcessPasFile's steps; `read` makes the module's Conversion.
void Process(const std::string& file_name, const std::string& lang_name,
             const LangFileStep& under_lock,
             const std::function<void(std::optional<Conversion>&)>& read) {
  CurFileName = file_name;
  const std::string lang_path = MakeLangFileName(lang_name);
  // A language file that cannot be read stops everything before the source is read.
  TvLangFileEdit::OpenPath(lang_path);

  std::exception_ptr failure;
  std::optional<Conversion> conversion;
  try {
    read(conversion);
  } catch (...) {
    failure = std::current_exception();
  }

  std::optional<LangFileWriter> writer;
  try {
    writer.emplace(lang_path);
  } catch (const Error& e) {
    RaiseWithSaveFailure(failure, e);
  }
  const LangFileScope scope(writer->File());
  bool save_tried = false;  // a failed save is not tried a second time
  if (!failure) {
    try {
      const std::vector<PendingWrite> writes = conversion->Finish();
      if (under_lock) under_lock(*LangFile);
      // The language file first: should its save fail, the sources still hold the literals.
      save_tried = true;
      LangFile->Save();
      for (const PendingWrite& w : writes) {
        try {
          ReplaceFile(w.path, w.text);
        } catch (const FileError& e) {
          if (std::string_view(e.what()).starts_with("Cannot create file ")) throw;
          throw CannotCreateFile(w.path, e.Reason());
        }
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }

  if (!save_tried) {
    try {
      LangFile->Save();
    } catch (const Error& save_failure) {
      RaiseWithSaveFailure(failure, save_failure);
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void ProcessPasFile(const std::string& file_name, const std::string& lang_name,
                    const LangFileStep& under_lock) {
  TConversionRun run;
  ProcessPasFile(file_name, lang_name, run, under_lock);
}

void ProcessPasFile(const std::string& file_name, const std::string& lang_name, TConversionRun& run,
                    const LangFileStep& under_lock) {
  Process(file_name, lang_name, under_lock,
          [&](std::optional<Conversion>& conversion) { conversion.emplace(file_name, run); });
}

void ProcessPasFile(TScannedModule& module, const std::string& lang_name, TConversionRun& run,
                    const LangFileStep& under_lock) {
  Process(module.FileName(), lang_name, under_lock, [&](std::optional<Conversion>& conversion) {
    conversion.emplace(*module.scan_, module.FileName(), run);
  });
}

std::unique_ptr<TSourceUnit> TScannedModule::TakeUnit(TConversionRun& run) {
  Stamps stamps;
  return TakeScan(*scan_, file_name_, run, stamps);
}

}  // namespace polyverb
