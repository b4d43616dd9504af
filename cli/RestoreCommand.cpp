// polyverb restore: GetLangStr(n) calls back into the literals they stood for.
#include <algorithm>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "platform/Files.h"
#include "source/Restore.h"
#include "source/Rewrite.h"
#include "source/SourceText.h"

namespace polyverb::cli {
namespace {

struct RestoreArgs {
  std::string lang = "English";
  std::vector<NumberRange> numbers;  // empty: every number
  bool dry_run = false;
  bool prune = false;
  std::vector<std::string> files;
};

RestoreArgs ParseRestoreArgs(std::span<const std::string> args) {
  RestoreArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--lang") {
      parsed.lang = LanguageValue(args, i);
    } else if (options && a == "--numbers") {
      parsed.numbers = ParseNumberList(OptionValue(args, i), "--numbers", 0, 65535);
    } else if (options && a == "--dry-run") {
      parsed.dry_run = true;
    } else if (options && a == "--prune") {
      parsed.prune = true;
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FILE given");
  return parsed;
}

// One file, read and restored in memory.
struct FileRestore {
  std::string name;
  TRestoreResult result;
};

std::string Place(const std::string& file, const TLangCall& call) {
  return file + ':' + std::to_string(call.LineIndex + 1) + ':' + std::to_string(call.StartPos);
}

// Numbers a property group uses for a form text: they stay whatever the sources do.
std::set<long long> NumbersOfForms(const TvLangFile& lang) {
  std::set<long long> used;
  for (const auto& group : lang.Props().Groups())
    for (const auto& item : group.items) used.insert(item.value);
  return used;
}

}  // namespace

int RunRestore(std::span<const std::string> args) {
  const RestoreArgs parsed = ParseRestoreArgs(args);
  const std::unique_ptr<TvLangFileEdit> lang =
      TvLangFileEdit::ReadExisting(MakeLangFileName(parsed.lang));
  auto selected = [&](long long number) {
    if (parsed.numbers.empty()) return true;
    return number >= 0 &&
           std::any_of(parsed.numbers.begin(), parsed.numbers.end(), [&](const NumberRange& r) {
             return r.Contains(static_cast<unsigned long>(number));
           });
  };

  // Every file is read and restored before any is written: a file that cannot be read
  // stops the run with nothing changed.
  std::vector<FileRestore> restores;
  for (const std::string& file : parsed.files) {
    const SourceText source = ReadSourceFile(file);
    restores.push_back({file, RestoreLangCalls(source.Lines(), *lang, selected)});
  }

  int status = kExitOk;
  std::set<long long> restored;
  std::set<long long> still_called;
  for (const FileRestore& f : restores) {
    for (const TLangCall& call : f.result.missing) {
      std::cerr << "polyverb restore: " << Place(f.name, call) << ": number " << call.Number
                << " is not in " << lang->FileName() << "; the call is left as it is\n";
      status = kExitFailure;
    }
    for (const TRestoredCall& r : f.result.restored) {
      restored.insert(r.call.Number);
      if (parsed.dry_run)
        std::cout << Place(f.name, r.call) << ": " << EscapeText(r.literal) << " <- "
                  << EscapeText(r.written) << "\n";
    }
    still_called.insert(f.result.remaining.begin(), f.result.remaining.end());
    if (f.result.Changed() && !parsed.dry_run) ReplaceFile(f.name, JoinLinesCrLf(f.result.lines));
    std::cout << f.name << ": " << f.result.restored.size()
              << (f.result.restored.size() == 1 ? " call" : " calls") << " restored";
    if (!f.result.missing.empty())
      std::cout << ", " << f.result.missing.size() << " left (missing)";
    if (!f.result.Changed()) std::cout << ", source not rewritten";
    std::cout << (parsed.dry_run ? " (dry run)" : "") << "\n";
  }

  if (parsed.prune) {
    const std::set<long long> forms = NumbersOfForms(*lang);
    std::set<long long> prune;
    for (long long n : restored)
      if (!still_called.count(n) && !forms.count(n)) prune.insert(n);
    auto& idents = lang->MutableIdents();
    const std::size_t before = idents.size();
    idents.erase(std::remove_if(idents.begin(), idents.end(),
                                [&](const TvIdentRec& rec) { return prune.count(rec.Number) > 0; }),
                 idents.end());
    const std::size_t removed = before - idents.size();
    if (removed > 0 && !parsed.dry_run) lang->Save();
    std::cout << lang->FileName() << ": " << removed << (removed == 1 ? " entry" : " entries")
              << (parsed.dry_run ? " would be" : "") << " pruned\n";
  }
  std::cout.flush();
  if (!std::cout) throw StreamWriteError();
  return status;
}

}  // namespace polyverb::cli
