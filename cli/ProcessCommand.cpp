// polyverb process: what the wizard does to each module's source, from a shell. The marks
// come from --mark, or with --interactive from the chooser dialog.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Interactive.h"
#include "cli/OrderedParallel.h"
#include "langfile/LangFileEdit.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/Rewrite.h"
#include "source/SourceProcessing.h"
#include "source/SourceText.h"
#include "source/SourceUnit.h"
#include "source/SuggestRules.h"
#include "source/UnitRewrite.h"

namespace polyverb::cli {
namespace {

enum class MarkMode { kAll, kNone, kList, kSuggested };

struct ProcessArgs {
  std::string lang = "English";  // the wizard's default language name
  MarkMode mode = MarkMode::kAll;
  std::vector<NumberRange> list;  // candidate numbers as polyverb list prints them
  bool dry_run = false;
  bool annotate = false;     // the literal's text as a comment after each call
  bool marks_given = false;  // --mark was given
  bool interactive = false;  // the user marks in the chooser dialog instead
  unsigned jobs = 0;         // 0: one per processor
  TConversionOptions options;
  std::vector<std::string> files;
};

ProcessArgs ParseProcessArgs(std::span<const std::string> args) {
  ProcessArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--lang") {
      parsed.lang = LanguageValue(args, i);
    } else if (options && a == "--mark") {
      const std::string& mark = OptionValue(args, i);
      parsed.marks_given = true;
      if (mark == "all") {
        parsed.mode = MarkMode::kAll;
      } else if (mark == "none") {
        parsed.mode = MarkMode::kNone;
      } else if (mark == "suggested") {
        parsed.mode = MarkMode::kSuggested;
      } else {
        parsed.mode = MarkMode::kList;
        parsed.list = ParseNumberList(mark, "--mark", 1);
      }
    } else if (options && a == "--dry-run") {
      parsed.dry_run = true;
    } else if (options && a == "--annotate") {
      parsed.annotate = true;
    } else if (options && a == "--interactive") {
      parsed.interactive = true;
    } else if (options && a == "--classic") {
      parsed.options.rules = TCandidateRules::kClassic;
    } else if (options && a == "--include-dir") {
      parsed.options.include_dirs.push_back(OptionValue(args, i));
    } else if (options && TakeJobsOption(args, i, parsed.jobs)) {
      // -j N: taken
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  if (parsed.interactive && parsed.marks_given)
    throw UsageError("--interactive and --mark exclude each other");
  if (parsed.interactive && parsed.dry_run)
    throw UsageError("--interactive and --dry-run exclude each other");
  if (parsed.mode == MarkMode::kList && parsed.files.size() != 1)
    throw UsageError("--mark with a list of numbers takes exactly one FILE");
  if (parsed.options.rules == TCandidateRules::kClassic && !parsed.options.include_dirs.empty())
    throw UsageError("--include-dir needs the sound rules: the classic rules follow no includes");
  if (parsed.jobs == 0) parsed.jobs = ProcessorCount();
  return parsed;
}

// Sets the marks as --mark asks, the suggested ones from the literals' places in Lines.
// Every Chosen is written, whatever it held before.
template <typename Line>
void Mark(const ProcessArgs& args, std::span<const Line> lines, TLangStrings& strings) {
  std::vector<TSuggestion> suggestions;
  if (args.mode == MarkMode::kSuggested) suggestions = SuggestMarks(lines, strings);
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    bool chosen = args.mode == MarkMode::kAll;
    if (args.mode == MarkMode::kSuggested)
      chosen = suggestions[static_cast<std::size_t>(i)].suggest == TSuggest::kMark;
    if (args.mode == MarkMode::kList) {
      const auto number = static_cast<unsigned long>(i) + 1;
      for (const NumberRange& r : args.list)
        chosen = chosen || (number >= r.first && number <= r.last);
    }
    strings.Items(i).Chosen = chosen;
  }
}

// A list that names a number past the last candidate is a mistake in the call: found by
// reading the source alone, before the language file is touched.
void CheckListAgainstSource(const ProcessArgs& args) {
  const std::string& file = args.files.front();
  TConversionRun scratch(args.options);  // the real run offers the include files
  const TSourceUnit unit(file, scratch);
  const auto count = static_cast<unsigned long>(unit.Strings().Count());
  for (const NumberRange& r : args.list) {
    if (r.last > count)
      throw UsageError(
          "--mark names candidate " + std::to_string(r.last) + ", but " + file + " has " +
          (count == 0 ? std::string("no candidates")
                      : std::to_string(count) + (count == 1 ? " candidate" : " candidates")));
  }
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// FILE: C candidates, M marked, numbers A-B
std::string Summary(const std::string& file, int candidates, int marked, std::uint16_t first,
                    bool dry_run) {
  std::string line = file + ": ";
  if (candidates == 0) {
    line += "no candidates, source not rewritten";
  } else {
    line +=
        Plural(candidates, "candidate", "candidates") + ", " + std::to_string(marked) + " marked, ";
    const auto last = static_cast<std::uint16_t>(first + marked - 1);
    if (marked == 0)
      line += "no numbers";
    else if (marked == 1)
      line += "number " + std::to_string(first);
    else
      line += "numbers " + std::to_string(first) + "-" + std::to_string(last);
  }
  if (dry_run) line += " (dry run)";
  return line + "\n";
}

// A "[3/40] FILE" line on stderr while a long run goes on, when a person watches it.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), shown_(total > 1 && ::isatty(2) == 1) {}
  ~Progress() { Clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void Show(std::size_t index, const std::string& file) {
    if (!shown_) return;
    std::cerr << "\r\033[K[" << index + 1 << "/" << total_ << "] " << file << std::flush;
  }
  void Clear() {
    if (shown_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  std::size_t total_;
  bool shown_;
};

void Flush() {
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
}

// The language file as the first file of the run would read it, without creating it.
std::unique_ptr<TvLangFileEdit> ReadLanguageForDryRun(const std::string& lang) {
  const std::string path = MakeLangFileName(lang);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return TvLangFileEdit::FromBytes({}, path);
  return TvLangFileEdit::ReadExisting(path);
}

// What ProcessPasFile would do, printed: the replacements come from the same functions
// the rewriting uses, and numbering goes on from file to file in an in-memory copy of the
// language file that is never saved.
std::string DryRunFile(const ProcessArgs& args, TScannedModule& module, TvLangFileEdit& lang,
                       TConversionRun& run) {
  const std::string& file = module.FileName();
  const std::unique_ptr<TSourceUnit> taken = module.TakeUnit(run);
  TSourceUnit& unit = *taken;
  TLangStrings& strings = unit.Strings();
  // The suggestion rules read the literals' surroundings.
  std::vector<std::string> lines;
  if (args.mode == MarkMode::kSuggested) lines = unit.AllLines();
  Mark(args, std::span<const std::string>(lines), strings);
  const int marked = CountChosen(strings);
  const int first = FirstFreeNumber(lang);
  CheckNumbering(lang, first, marked, file);

  std::string out;
  auto place = [&](const TLangStr& s) {
    return unit.File(unit.FileOf(s.LineIndex)).path + ':' +
           std::to_string(unit.LocalLine(s.LineIndex) + 1) + ':' + std::to_string(s.StartPos) +
           ": ";
  };
  if (!run.Sound()) {
    auto number = static_cast<std::uint16_t>(first);
    for (std::int32_t i = 0; i < strings.Count(); ++i) {
      const TLangStr& s = strings.Items(i);
      if (!s.Chosen) continue;
      const std::string_view line = unit.Line(s.LineIndex);
      out += place(s) +
             Replacement(number, GlueAt(line, s.StartPos, s.NextPos),
                         args.annotate ? Annotation(s.Text) : std::string()) +
             " <- " + EscapeText(unit.Written(s)) + '\n';
      lang.AddIdent(number, s.Text, 0);
      ++number;
    }
  } else {
    if (unit.Facts().iso_mode && (strings.Count() > 0 || unit.IncludesRewritten()))
      throw Error(file +
                  " selects ISO mode ({$MODE ISO}), in which a program cannot use units; "
                  "it cannot call GetLangStr, so it would not be rewritten");
    const TUnitRewrite plan = PlanUnitRewrite(unit, static_cast<std::uint16_t>(first));
    for (const TUnitRewrite::Replaced& r : plan.replaced) {
      const TLangStr& s = strings.Items(r.entry);
      out += place(s) + r.shown + " <- " + EscapeText(unit.Written(s)) + '\n';
      lang.AddIdent(r.number, s.Text, 0);
    }
    if (plan.uses_added)
      run.Note(std::string(kRunTimeUsesEntry) + " would be added to the uses clause");
  }
  return out + Summary(file, strings.Count(), marked, static_cast<std::uint16_t>(first), true);
}

std::string ProcessFile(const ProcessArgs& args, TScannedModule& module,
                        InteractiveSession* session, TConversionRun& run) {
  int candidates = 0;
  int marked = 0;
  const ScopedStringChooser chooser([&](std::span<const std::string> lines, TLangStrings& strings) {
    if (session != nullptr)
      session->Choose(lines, strings);
    else
      Mark(args, lines, strings);
    candidates = strings.Count();
    marked = CountChosen(strings);
  });
  ProcessPasFile(module, args.lang, run);
  // NextStrNumber stands just past the numbers this file got.
  const auto first = static_cast<std::uint16_t>(NextStrNumber - marked);
  return Summary(module.FileName(), candidates, marked, first, false);
}

// The run's notes on `file` and its warnings: notes on standard output after the summary,
// warnings on stderr.
std::string TakeNotes(const std::string& file, TConversionRun& run) {
  std::string out;
  for (const std::string& note : run.TakeNotes()) out += file + ": " + note + "\n";
  return out;
}

void PrintWarnings(TConversionRun& run) {
  for (const std::string& w : run.TakeWarnings())
    std::cerr << "polyverb process: warning: " << w << "\n";
}

}  // namespace

int RunProcess(std::span<const std::string> args) {
  const ProcessArgs parsed = ParseProcessArgs(args);
  if (parsed.mode == MarkMode::kList) CheckListAgainstSource(parsed);

  std::unique_ptr<TvLangFileEdit> dry_run_lang;
  if (parsed.dry_run) dry_run_lang = ReadLanguageForDryRun(parsed.lang);

  std::unique_ptr<InteractiveSession> session;
  if (parsed.interactive) session = std::make_unique<InteractiveSession>();

  const ScopedAnnotation annotation(parsed.annotate);
  TConversionRun run(parsed.options);
  Progress progress(parsed.files.size());
  // Files are read and scanned side by side; marking, numbering and writing go file after
  // file on this thread (the chooser's dialogs included), so nothing depends on the
  // number of jobs. A failure ends the run as it ends a wizard run: the files before stay
  // done, and the files scanned ahead are dropped.
  struct Stopped {};
  try {
    ForEachInOrder<TScannedModule>(
        parsed.files.size(), parsed.jobs,
        [&](std::size_t i) { return TScannedModule(parsed.files[i], parsed.options); },
        [&](std::size_t i, TScannedModule& module) {
          const std::string& file = parsed.files[i];
          progress.Show(i, file);
          std::string report;
          try {
            report = parsed.dry_run ? DryRunFile(parsed, module, *dry_run_lang, run)
                                    : ProcessFile(parsed, module, session.get(), run);
            report += TakeNotes(file, run);
          } catch (const Error& e) {
            progress.Clear();
            Flush();
            PrintWarnings(run);
            std::cerr << "polyverb process: " << e.what() << "\n";
            if (parsed.files.size() > 1)
              std::cerr << "polyverb process: stopped at " << file << " (file " << i + 1 << " of "
                        << parsed.files.size() << ")"
                        << (parsed.dry_run ? "" : "; the files before it are done") << "\n";
            throw Stopped{};
          }
          // Cleared first: std::cerr is tied to std::cout, so the order on a terminal holds.
          progress.Clear();
          std::cout << report;
          Flush();
          PrintWarnings(run);
        });
  } catch (const Stopped&) {
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace polyverb::cli
