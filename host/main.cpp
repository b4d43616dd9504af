// polyverb-ide: the IDE stand-in. Opens a Pascal project from disk, loads the add-in
// with dlopen as the IDE does, and carries out the IDE's operations on the real files.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/AddinLibrary.h"
#include "host/AutoRun.h"
#include "host/IdeServices.h"
#include "host/MainWindow.h"
#include "platform/Error.h"
#include "project/ProjectFile.h"

namespace {

using namespace polyverb;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitMessageShown = 3;

constexpr const char* kUsage =
    "usage: polyverb-ide [--expert PATH] [--yes [--lang NAME] [--no-sources]] PROJECT.dpr\n";

constexpr const char* kHelp =
    "\n"
    "Opens the Pascal project PROJECT.dpr as an IDE would, loads the Polyverb add-in and\n"
    "shows the IDE's main window; the add-in's item \"Polyverb\" in the Project menu runs\n"
    "the wizard over the project. The project's directory becomes the current directory,\n"
    "so the language file (english.lng) is written beside the .dpr.\n"
    "\n"
    "options:\n"
    "  --expert PATH   the add-in library to load; by default libpolyverb.so beside this\n"
    "                  program, or ../expert/libpolyverb.so from its directory (the build\n"
    "                  tree's layout)\n"
    "  --yes           run without a person: click the add-in's menu item, accept the\n"
    "                  wizard's defaults (Next, Next, Finish), mark every string in each\n"
    "                  chooser, confirm every message (echoed to stderr), print a summary\n"
    "                  and exit. Uses Qt's offscreen platform when there is no display.\n"
    "  --lang NAME     with --yes: the native language name typed into the wizard\n"
    "  --no-sources    with --yes: uncheck \"Process .PAS files\" (forms only)\n"
    "  -h, --help      this text\n"
    "\n"
    "The summary lists the modules done (those the add-in got a module interface for), the\n"
    "modules skipped and why, the messages shown, the project's files whose uses clause\n"
    "gained the run-time unit vLangRT, the errors raised and the files still open.\n"
    "\n"
    "Exit status: 0 success; 1 a failure (the project or the add-in cannot be loaded, or\n"
    "the add-in raised an error; message on stderr); 2 usage error; with --yes also 3 when\n"
    "the run completed but showed a message (a module skipped).\n";

struct Options {
  std::optional<std::string> expert;
  bool yes = false;
  AutoRunOptions run;
  bool language_given = false;
  std::string project;
};

class UsageError : public Error {
 public:
  using Error::Error;
};

// Returns nullopt for --help.
std::optional<Options> ParseArgs(const std::vector<std::string>& args) {
  Options options;
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
    } else if (arg == "--no-sources") {
      options.run.process_sources = false;
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
  if (!options.yes && (options.run.language || !options.run.process_sources))
    throw UsageError("--lang and --no-sources answer the wizard for --yes; give --yes too");
  return options;
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Qt aborts the process when it cannot reach a display; decide before it tries.
void ChoosePlatform(bool yes) {
  if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return;
  if (!yes)
    throw Error(
        "there is no display to show the IDE on (DISPLAY is not set); run with --yes, "
        "or choose a Qt platform with QT_QPA_PLATFORM");
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

bool Offscreen() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform != nullptr && std::string_view(platform) == "offscreen";
}

QtMessageHandler g_qt_default_handler = nullptr;

// The offscreen platform's notes on what it cannot do tell a user of --yes nothing.
void FilterOffscreenNotes(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
  if (type == QtWarningMsg && (message.startsWith("This plugin does not support") ||
                               message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  g_qt_default_handler(type, context, message);
}

std::string List(const std::vector<std::string>& items) {
  std::string text = " (" + std::to_string(items.size()) + ")";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i == 0 ? ": " : ", ") + items[i];
  return text;
}

void PrintSummary(const MainWindow& window, IdeServices& services, const AutoRun& run,
                  const std::vector<std::string>& run_time_added) {
  auto short_names = [&](const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& p : paths) names.push_back(window.Short(p));
    return names;
  };
  const IdeModules& modules = services.Modules();
  std::vector<std::string> skipped;
  for (const auto& [path, why] : modules.ModulesRefused())
    skipped.push_back(window.Short(path) + " (" + why + ")");
  std::cout << "polyverb-ide summary\n"
            << "  modules done" << List(short_names(modules.ModulesGiven())) << "\n"
            << "  modules skipped" << List(skipped) << "\n"
            << "  messages shown" << List(run.Messages()) << "\n"
            << "  run-time unit vLangRT added" << List(short_names(run_time_added)) << "\n"
            << "  errors raised" << List(services.ErrorsRaised()) << "\n"
            << "  files still open" << List(short_names(modules.OpenFiles())) << "\n";
  std::cout.flush();
}

int RunIde(QApplication& app, const ProjectFile& project, AddinLibrary& addin,
           const Options& options) {
  MainWindow window(project.FileName(), project.Files());
  int code = kExitOk;
  {
    IdeServices services(project.FileName(), window);
    window.show();
    // Answers dialogs from the start: the entry point may already raise an error.
    std::optional<AutoRun> run;
    if (options.yes) run.emplace(services.Menus(), options.run);

    if (!services.InitAddin(addin.Entry())) {
      std::cerr << "polyverb-ide: the add-in " << addin.Path() << " reported a failure from "
                << kExpertEntryPoint << std::endl;
      code = kExitFailure;
    } else if (options.yes) {
      // The add-in writes sources itself; what it added to uses clauses shows on disk.
      const std::vector<std::string> using_before = FilesUsingUnit(project.Files(), "vLangRT");
      QTimer::singleShot(0, &app, [&] {
        run->Run();
        app.quit();
      });
      app.exec();
      std::vector<std::string> added;
      for (const std::string& file : FilesUsingUnit(project.Files(), "vLangRT"))
        if (std::find(using_before.begin(), using_before.end(), file) == using_before.end())
          added.push_back(file);
      PrintSummary(window, services, *run, added);
      if (!run->Failures().empty() || !services.ErrorsRaised().empty())
        code = kExitFailure;
      else if (!run->Messages().empty())
        code = kExitMessageShown;
    } else {
      app.exec();
    }

    // The expert goes while the QApplication still lives; the library stays loaded when
    // anything of it may still be in use.
    const bool experts_gone = services.ReleaseExperts();
    const std::vector<std::string> live = services.Live().Labels();
    if (!experts_gone || !live.empty()) addin.KeepLoaded();
#ifndef NDEBUG
    if (!experts_gone)
      std::cerr << "polyverb-ide: debug: an expert was not destroyed by its release\n";
    if (!live.empty()) {
      std::cerr << "polyverb-ide: debug: the add-in did not release " << live.size()
                << " object(s):";
      for (const std::string& label : live) std::cerr << " " << label;
      std::cerr << std::endl;
    }
#endif
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::optional<Options> options;
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
  try {
    const ProjectFile project(options->project);
    // Resolved before the directory changes: a relative --expert names a file from here.
    const std::string addin_path =
        options->expert ? FullPathName(*options->expert) : DefaultAddinPath();
    if (::chdir(project.Directory().c_str()) != 0)
      throw Error("Cannot change to the project directory " + project.Directory() + ": " +
                  std::strerror(errno));
    // Unloaded only after the QApplication is gone, and only when nothing of it lives.
    AddinLibrary addin(addin_path);
    ChoosePlatform(options->yes);
    if (Offscreen()) g_qt_default_handler = qInstallMessageHandler(FilterOffscreenNotes);
    QApplication app(argc, argv);
    QApplication::setApplicationName("polyverb-ide");
    QApplication::setApplicationDisplayName("Polyverb IDE");
    return RunIde(app, project, addin, *options);
  } catch (const std::exception& e) {
    std::cerr << "polyverb-ide: " << e.what() << std::endl;
    return kExitFailure;
  }
}
