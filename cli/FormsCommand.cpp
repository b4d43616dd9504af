// polyverb forms: what the wizard does to a module's form texts, for form files alone.
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "project/FormFamily.h"
#include "project/FormTexts.h"

namespace polyverb::cli {
namespace {

struct FormsArgs {
  std::string lang = "English";
  bool dry_run = false;
  FormTextProps props = FormTextProps::Default();
  std::vector<std::string> files;
};

FormsArgs ParseFormsArgs(std::span<const std::string> args) {
  FormsArgs parsed;
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options && a == "--") {
      options = false;
    } else if (options && a == "--lang") {
      parsed.lang = LanguageValue(args, i);
    } else if (options && a == "--dry-run") {
      parsed.dry_run = true;
    } else if (options && a == "--form-props") {
      const std::string& list = OptionValue(args, i);
      try {
        parsed.props.Change(list);
      } catch (const Error& e) {
        throw UsageError("malformed --form-props list: " + std::string(e.what()));
      }
    } else if (options && a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option '" + a + "'");
    } else {
      parsed.files.push_back(a);
    }
  }
  if (parsed.files.empty()) throw UsageError("no FORM given");
  return parsed;
}

// An inherited form's ancestors are among the units beside it.
FormCatalog CatalogFor(const std::string& form) {
  const std::filesystem::path dir = std::filesystem::path(form).parent_path();
  return FormCatalog(FormCatalog::UnitsIn(dir.empty() ? "." : dir.string()));
}

const char* KindName(FormTextChange::Kind kind) {
  switch (kind) {
    case FormTextChange::Kind::kAdded:
      return "new";
    case FormTextChange::Kind::kChanged:
      return "changed";
    case FormTextChange::Kind::kKept:
      return "kept";
    case FormTextChange::Kind::kRemoved:
      return "removed";
  }
  return "";
}

std::string Report(const std::string& file, const FormTextUpdate& update, bool dry_run) {
  using Kind = FormTextChange::Kind;
  const std::string where = file + ": " + update.group + ": ";
  std::string out;
  if (dry_run) {
    for (const FormTextChange& c : update.changes) {
      out += where + c.path + ": " + std::to_string(c.number) + " " + KindName(c.kind);
      if (c.kind != Kind::kRemoved) out += ": " + EscapeText(c.text);
      out += '\n';
    }
  }
  const int texts = static_cast<int>(update.changes.size()) - update.Count(Kind::kRemoved);
  out += where + std::to_string(texts) + (texts == 1 ? " text: " : " texts: ") +
         std::to_string(update.Count(Kind::kAdded)) + " new, " +
         std::to_string(update.Count(Kind::kChanged)) + " changed, " +
         std::to_string(update.Count(Kind::kKept)) + " kept, " +
         std::to_string(update.Count(Kind::kRemoved)) + " removed" + (dry_run ? " (dry run)" : "") +
         "\n";
  return out;
}

// The language file as the run would read it, without creating it.
std::unique_ptr<TvLangFileEdit> ReadLanguageForDryRun(const std::string& lang) {
  const std::string path = MakeLangFileName(lang);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return TvLangFileEdit::FromBytes({}, path);
  return TvLangFileEdit::ReadExisting(path);
}

}  // namespace

int RunForms(std::span<const std::string> args) {
  const FormsArgs parsed = ParseFormsArgs(args);
  // A dry run numbers on from file to file in a copy that is never saved.
  std::unique_ptr<TvLangFileEdit> dry_run_lang;
  if (parsed.dry_run) dry_run_lang = ReadLanguageForDryRun(parsed.lang);

  int status = kExitOk;
  for (const std::string& file : parsed.files) {
    // A form that cannot be read leaves the language file as it was; the others go on.
    try {
      FormTextUpdate update;
      if (parsed.dry_run) {
        const FormTexts texts = ReadFormTexts(file, CatalogFor(file), parsed.props);
        update = StoreFormTexts(*dry_run_lang, texts, file);
      } else {
        update = ProcessFormFile(file, parsed.lang, CatalogFor(file), parsed.props);
      }
      for (const std::string& warning : update.warnings)
        std::cerr << "polyverb forms: warning: " << warning << "\n";
      std::cout << Report(file, update, parsed.dry_run);
      std::cout.flush();
      if (!std::cout) throw StreamWriteError();
    } catch (const Error& e) {
      std::cout.flush();
      std::cerr << "polyverb forms: " << e.what() << "\n";
      status = kExitFailure;
    }
  }
  return status;
}

}  // namespace polyverb::cli
