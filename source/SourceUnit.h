// A unit or program as one conversion reads it: its own source and, with the sound rules,
// the include files it names, with the candidates found in all of them. And the run that
// carries what it learns from one such unit to the next.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "source/LiteralList.h"
#include "source/SoundExtraction.h"
#include "source/SourceText.h"

namespace polyverb {

enum class TCandidateRules : std::uint8_t {
  kSound,    // the default: SoundExtraction.h, and the sound rewrite (UnitRewrite.h)
  kClassic,  // FindStrings and ReplaceStrings as they always were; no include files
};

struct TConversionOptions {
  TCandidateRules rules = TCandidateRules::kSound;
  // Where include files are looked for after the including file's own directory.
  std::vector<std::string> include_dirs;
  // False: include directives are not followed (a source read from memory, as fuzzing does).
  bool follow_includes = true;
};

// One run: a wizard run, or one polyverb command over its files. Units are converted one
// after another; an include file that several of them use is offered in the first only.
class TConversionRun {
 public:
  explicit TConversionRun(TConversionOptions options = {}) : options_(std::move(options)) {}

  const TConversionOptions& Options() const { return options_; }
  bool Sound() const { return options_.rules == TCandidateRules::kSound; }

  // Files by their canonical path: offered in this run (as a unit given to convert, or as
  // an include file), offered as an include file, and rewritten (a literal of theirs
  // replaced) in this run.
  bool Offered(const std::string& key) const { return offered_.count(key) > 0; }
  bool OfferedAsInclude(const std::string& key) const { return included_.count(key) > 0; }
  void MarkOffered(const std::string& key, bool as_include) {
    offered_.insert(key);
    if (as_include) included_.insert(key);
  }
  bool Rewritten(const std::string& key) const { return rewritten_.count(key) > 0; }
  void MarkRewritten(const std::string& key) { rewritten_.insert(key); }

  // What the user should hear about, in order; the caller shows and takes them.
  void Warn(std::string text) { warnings_.push_back(std::move(text)); }
  std::vector<std::string> TakeWarnings() { return std::exchange(warnings_, {}); }

  // What a conversion did besides the module's own literals (an include file rewritten,
  // the run-time unit added), one line each; the caller shows and takes them.
  void Note(std::string text) { notes_.push_back(std::move(text)); }
  std::vector<std::string> TakeNotes() { return std::exchange(notes_, {}); }

  // The files the run added the run-time unit to, in order.
  const std::vector<std::string>& UsesAdded() const { return uses_added_; }
  void NoteUsesAdded(const std::string& path) { uses_added_.push_back(path); }

 private:
  TConversionOptions options_;
  std::set<std::string> offered_;
  std::set<std::string> included_;
  std::set<std::string> rewritten_;
  std::vector<std::string> warnings_;
  std::vector<std::string> notes_;
  std::vector<std::string> uses_added_;
};

// One file of a unit's scan.
struct TSourceFile {
  std::string path;  // the main file as given; an include file as found
  std::string key;   // its canonical path: the same file under any name
  SourceText text;
  std::int32_t first_line = 0;  // the number of its first line in the scan
  bool offered = true;          // its candidates are offered here (not by an earlier unit)
};

class TSourceUnit {
 public:
  // Reads `path` and, with the sound rules, the include files it names: each is looked
  // for beside the file that names it, then beside `path`, then in the run's include
  // directories (a name without extension also with .inc, .pas and .pp; letter case
  // ignored when nothing matches exactly). Finds the candidates by the run's rules.
  // Throws what ReadSourceFile throws for `path`; an include file that cannot be found or
  // read is a warning to the run, and the scan goes on without it.
  TSourceUnit(const std::string& path, TConversionRun& run);
  // The same over a main file already read; `path` names it and locates its includes.
  TSourceUnit(SourceText main, const std::string& path, TConversionRun& run);
  TSourceUnit(const TSourceUnit&) = delete;
  TSourceUnit& operator=(const TSourceUnit&) = delete;

  const std::string& Path() const { return files_.front()->path; }
  // The main file first, then the include files in the order they were first read.
  std::size_t FileCount() const { return files_.size(); }
  const TSourceFile& File(std::size_t index) const { return *files_[index]; }
  // The file that holds line `line` of the scan, and that line's index within it.
  std::size_t FileOf(std::int32_t line) const;
  std::int32_t LocalLine(std::int32_t line) const {
    return line - files_[FileOf(line)]->first_line;
  }
  std::string_view Line(std::int32_t line) const;
  // The literal of `s` as written, quotes included; the lines of one that spans lines
  // joined with LF.
  std::string Written(const TLangStr& s) const;
  // Every line of the scan, numbered as the candidates are (what the chooser shows).
  std::vector<std::string> AllLines() const;

  TLangStrings& Strings() { return strings_; }
  const TLangStrings& Strings() const { return strings_; }
  // Sound rules only (all false and empty with the classic rules).
  const TSoundFacts& Facts() const { return facts_; }
  // True when it includes a file whose literals an earlier unit of the run replaced.
  bool IncludesRewritten() const { return includes_rewritten_; }

 private:
  std::optional<TIncludedFile> Resolve(std::string_view name, std::int32_t from, std::int32_t line,
                                       TConversionRun& run);

  std::vector<std::unique_ptr<TSourceFile>> files_;
  std::int32_t line_count_ = 0;
  TLangStrings strings_;
  TSoundFacts facts_;
  bool includes_rewritten_ = false;
};

}  // namespace polyverb
