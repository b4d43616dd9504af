// Source processing of one Pascal module: marking the candidates, rewriting the marked
// literals as GetLangStr calls and storing their texts in the language file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "source/LiteralList.h"
#include "source/SourceUnit.h"

namespace polyverb {

// The unit-level state below makes ProcessPasFile non-reentrant: one call at a time.

class TvLangFileEdit;

// Full name of the source file being processed, as passed to ProcessPasFile; it keeps its
// value after the call (the chooser's caption reads it).
extern std::string CurFileName;
// The number the next marked literal receives.
extern uint16_t NextStrNumber;
// The language file being extended: the object a ProcessPasFile call owns, from the moment
// it is read until it is saved; null outside a call.
extern TvLangFileEdit* LangFile;

// When true, ReplaceStrings writes each literal's text as a comment after its call
// (Annotation in Rewrite.h): GetLangStr(12) {data/world.ini}. Off by default; a run that
// wants it turns it on with ScopedAnnotation.
bool AnnotateCalls();

// Sets AnnotateCalls() for the lifetime of this object; the previous value comes back after.
class ScopedAnnotation {
 public:
  explicit ScopedAnnotation(bool annotate);
  ~ScopedAnnotation();
  ScopedAnnotation(const ScopedAnnotation&) = delete;
  ScopedAnnotation& operator=(const ScopedAnnotation&) = delete;

 private:
  bool previous_;
};

// The seam through which the user marks literals. It sets Chosen on the entries to
// translate; ChooseStrings clears every mark before calling it, so an entry it leaves
// alone counts as unmarked. Lines are the source lines as read. The add-in installs its
// dialog; the command line and tests install functions.
using TStringChooser =
    std::function<void(std::span<const std::string> lines, TLangStrings& strings)>;

// Installs `chooser` for the lifetime of this object; the previous one comes back after.
class ScopedStringChooser {
 public:
  explicit ScopedStringChooser(TStringChooser chooser);
  ~ScopedStringChooser();
  ScopedStringChooser(const ScopedStringChooser&) = delete;
  ScopedStringChooser& operator=(const ScopedStringChooser&) = delete;

 private:
  TStringChooser previous_;
};

// Lets the user mark the candidates through the installed chooser. When it returns, every
// entry's Chosen is set: true for a marked literal, false for any other. With no chooser
// installed it fails with an Error naming CurFileName (it never marks silently). An empty
// list is left alone.
void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings);

// Replaces each Chosen literal of Strings in Lines by GetLangStr(n) (with a "+" on a side
// that touches a character code such as #13; see Rewrite.h), n counting up from
// NextStrNumber in list order, and adds n with the literal's text (tag 0) to LangFile.
// Strings' columns refer to the lines as they were before this call.
// REQUIRES: LangFile is set. Before changing anything it checks every entry against Lines
// (an Error when one lies outside them) and that the numbers fit (CheckNumbering); so a
// failure changes neither Lines nor LangFile.
void ReplaceStrings(std::vector<std::string>& lines, const TLangStrings& strings);

// A step on the language file that runs under its writer lock (LangFileWriter), right
// after a module's literals were added and before the file is saved.
using LangFileStep = std::function<void(TvLangFileEdit& lang_file)>;

// Processes one module's source:
//  1. reads the language file LangName names (MakeLangFileName; created empty when
//     missing). A failure here is raised at once: nothing else is read, nothing written;
//  2. reads FileName, finds its candidates and has them marked (ChooseStrings). No lock
//     is held while the user decides;
//  3. takes the language file's writer lock (LangFileWriter), which reads the table again:
//     the marked literals are numbered from one above the largest number of that table,
//     so runs that meet on one language file never hand out a number twice. A source
//     that changed on disk since step 2 is not rewritten (an Error naming it);
//  4. replaces the marked literals, runs `under_lock` on the table when given, saves the
//     language file, then replaces each source atomically, every line followed by CR LF
//     and behind the byte-order mark when the source had one; a source without
//     candidates is not written. The language file goes first so that a failed save never
//     leaves a source that calls numbers the file does not hold. The lock is released
//     when the sources are written;
//  5. on any failure after 1, the language file is still saved under its lock (as read,
//     or with the new entries when only a source write failed) and the failure is raised
//     after that. If that save fails too, the first failure is raised with the save's
//     message appended.
// A source write fails with "Cannot create file FILENAME: REASON" and leaves the old file
// intact.
//
// The run decides the rules (SourceUnit.h). With the classic rules the above is all. With
// the sound rules (the default) the candidates come from FindStringsSound, include files
// are followed (offered once per run), the rewrite is PlanUnitRewrite's, and the files
// written are: the language file, then each include file with candidates, then the module
// when it has candidates or gains the run-time unit. A source that selects ISO mode and
// would be changed fails with an Error before anything is written but the language file
// as read; warnings (a missing include file, no unit or program header) go to the run.
// The form without a run runs with a run of its own and the sound rules.
void ProcessPasFile(const std::string& file_name, const std::string& lang_name,
                    const LangFileStep& under_lock = {});
void ProcessPasFile(const std::string& file_name, const std::string& lang_name, TConversionRun& run,
                    const LangFileStep& under_lock = {});

// A module read and scanned ahead of its turn, with a run of its own, so that several can
// be read side by side (the slow part) while a shared run converts them one after another.
// What a later ProcessPasFile or TakeUnit does with it is what it would have done reading
// the file then: the scan made ahead is used only when it met nothing the shared run has
// touched since (no file of it offered or rewritten there); otherwise the file is read
// again. Files are stamped before they are read, so a change on disk made meanwhile is
// caught as ProcessPasFile catches one made while the strings are chosen.
class TScannedModule {
 public:
  // Reads and scans `file_name` by the rules of `options`. Safe on any thread, for
  // different objects at the same time. A file that cannot be read is not an error here:
  // it is read again when its turn comes, and fails then.
  TScannedModule(std::string file_name, const TConversionOptions& options);
  ~TScannedModule();
  TScannedModule(TScannedModule&&) noexcept;
  TScannedModule& operator=(TScannedModule&&) noexcept;

  const std::string& FileName() const { return file_name_; }

  // The unit as `run` would scan it now, its files marked offered in `run` and its
  // warnings added to it. Throws what TSourceUnit's constructor throws.
  // REQUIRES: called once, on the thread that owns `run`.
  std::unique_ptr<TSourceUnit> TakeUnit(TConversionRun& run);

  struct Scan;  // what the read ahead found, with the stamps of its files

 private:
  std::string file_name_;
  std::unique_ptr<Scan> scan_;
  friend void ProcessPasFile(TScannedModule& module, const std::string& lang_name,
                             TConversionRun& run, const LangFileStep& under_lock);
};

// ProcessPasFile of module.FileName() in `run`, from the scan made ahead when it still
// holds (see TScannedModule): the same numbers, files and messages as the form above.
// REQUIRES: `run` has the rules `module` was scanned by; called once per module.
void ProcessPasFile(TScannedModule& module, const std::string& lang_name, TConversionRun& run,
                    const LangFileStep& under_lock = {});

}  // namespace polyverb
