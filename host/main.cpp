// polyverb-ide: the IDE stand-in. Reads its arguments and calls the stand-in (IdeRun.h).
#include <clocale>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "host/IdeRun.h"

namespace {

using polyverb::cli::UsageError;

constexpr const char* kUsage =
    "usage: polyverb-ide [--expert PATH] [--yes [--lang NAME] [--no-sources] [--no-forms]\n"
    "                    [--mark all|suggested|none] [--annotate]] PROJECT\n";

constexpr const char* kHelp =
    "\n"
    "Opens the Pascal project PROJECT as an IDE would, loads the Polyverb add-in and\n"
    "shows the IDE's main window; the add-in's item \"Polyverb\" in the Project menu runs\n"
    "the wizard over the project. PROJECT is a Delphi project (.dpr) or a Lazarus project\n"
    "(.lpi, or its program .lpr with the .lpi beside it): the units are those the .lpi\n"
    "names as part of the project, the program first; forms are .lfm files, and a form\n"
    "that gets a TvMLang makes the project require the package polyverb_runtime.\n"
    "The project's directory becomes the current directory, so the language file\n"
    "(english.lng) is written beside the project file.\n"
    "\n"
    "options:\n"
    "  --expert PATH   the add-in library to load; by default libpolyverb.so beside this\n"
    "                  program, or ../expert/libpolyverb.so from its directory (the build\n"
    "                  tree's layout)\n"
    "  --yes           run without a person: click the add-in's menu item, accept the\n"
    "                  wizard's defaults (Next, Next, Finish), mark the suggested strings\n"
    "                  in each chooser, confirm every message (echoed to stderr), print a\n"
    "                  summary and exit. Uses Qt's offscreen platform when there is no\n"
    "                  display.\n"
    "  --lang NAME     with --yes: the native language name typed into the wizard (not\n"
    "                  empty)\n"
    "  --no-sources    with --yes: uncheck \"Process .PAS files\" (forms only)\n"
    "  --no-forms      with --yes: uncheck \"Process form texts\" (the texts in the form\n"
    "                  files are not stored in the language file)\n"
    "  --mark all|suggested|none\n"
    "                  with --yes: the strings marked in each chooser: every one, the\n"
    "                  ones suggested as text a person reads (the default; polyverb list\n"
    "                  --suggest shows them and why), or none\n"
    "  --annotate      with --yes: check \"Write each text after its call\": each call\n"
    "                  gets its text as a comment, GetLangStr(12) {data/world.ini}\n"
    "  -h, --help      this text\n"
    "\n"
    "The summary lists the modules done (those the add-in got a module interface for and\n"
    "that were saved), the modules skipped and why, the modules whose save failed and why,\n"
    "the messages shown, the project's files whose uses clause gained the run-time unit\n"
    "vLangRT, the errors raised and the files still open.\n"
    "\n"
    "A module's form and unit are saved as one step, under a journal in the project's\n"
    "directory: a save that a killed run left unfinished is completed when polyverb-ide\n"
    "next opens the project.\n"
    "\n"
    "Exit status: 0 success; 1 a failure (the project or the add-in cannot be loaded, or\n"
    "the add-in raised an error; message on stderr); 2 usage error; with --yes also 3 when\n"
    "the run completed but showed a message (a module skipped).\n";

// Returns nullopt for --help.
std::optional<polyverb::IdeRunOptions> ParseArgs(const std::vector<std::string>& args) {
  polyverb::IdeRunOptions options;
  bool answers_given = false;  // --mark: an option that answers the wizard for --yes
  bool have_project = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-h" || arg == "--help") return std::nullopt;
    if (arg == "--expert") {
      options.expert = value();
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--lang") {
      options.run.language = value();
      // As polyverb process: an empty name would give the hidden file ".lng".
      if (options.run.language->empty()) throw UsageError("--lang needs a language name");
    } else if (arg == "--no-sources") {
      options.run.process_sources = false;
    } else if (arg == "--no-forms") {
      options.run.process_forms = false;
    } else if (arg == "--mark") {
      const std::string& mark = value();
      if (mark == "all")
        options.run.mark = polyverb::AutoMark::kAll;
      else if (mark == "suggested")
        options.run.mark = polyverb::AutoMark::kSuggested;
      else if (mark == "none")
        options.run.mark = polyverb::AutoMark::kNone;
      else
        throw UsageError("--mark takes all, suggested or none, not '" + mark + "'");
      answers_given = true;
    } else if (arg == "--annotate") {
      options.run.annotate = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (have_project) {
      throw UsageError("one project at a time: " + options.project + " and " + arg);
    } else {
      options.project = arg;
      have_project = true;
    }
  }
  if (!have_project) throw UsageError("no project file given");
  if (!options.yes && (answers_given || options.run.language || !options.run.process_sources ||
                       !options.run.process_forms || options.run.annotate))
    throw UsageError(
        "--lang, --no-sources, --no-forms, --mark and --annotate answer the wizard for --yes; "
        "give --yes too");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace polyverb::cli;
  std::setlocale(LC_ALL, "");
  std::optional<polyverb::IdeRunOptions> options;
  try {
    options = ParseArgs(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "polyverb-ide: " << e.what() << "\n" << kUsage << "Try 'polyverb-ide --help'.\n";
    return kExitUsage;
  }
  if (!options) {
    std::cout << kUsage << kHelp;
    return kExitOk;
  }
  return polyverb::RunIdeStandIn(*options, argc, argv);
}
