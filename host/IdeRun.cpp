#include "host/IdeRun.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "host/AddinLibrary.h"
#include "host/IdeServices.h"
#include "host/MainWindow.h"
#include "host/RunSummary.h"
#include "platform/Error.h"
#include "project/ProjectFile.h"

namespace polyverb {
namespace {

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

RunSummary Summarize(const MainWindow& window, IdeServices& services, const AutoRun& run) {
  auto short_names = [&](const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& p : paths) names.push_back(window.Short(p));
    return names;
  };
  auto short_reasoned = [&](const RunSummary::Reasoned& items) {
    RunSummary::Reasoned named;
    for (const auto& [path, why] : items) named.emplace_back(window.Short(path), why);
    return named;
  };
  const IdeModules& modules = services.Modules();
  RunSummary summary;
  for (const std::string& path : modules.ModulesGiven()) {
    const auto& failed = modules.ModulesFailed();
    if (std::none_of(failed.begin(), failed.end(), [&](const auto& f) { return f.first == path; }))
      summary.done.push_back(window.Short(path));
  }
  summary.skipped = short_reasoned(modules.ModulesRefused());
  summary.failed = short_reasoned(modules.ModulesFailed());
  summary.messages = run.Messages();
  summary.errors = services.ErrorsRaised();
  summary.open = short_names(modules.OpenFiles());
  summary.driver_failed = !run.Failures().empty();
  return summary;
}

int RunIde(QApplication& app, const ProjectFile& project, AddinLibrary& addin,
           const IdeRunOptions& options) {
  MainWindow window(project.FileName(), project.Files());
  int code = cli::kExitOk;
  {
    IdeServices services(project.FileName(), window);
    window.show();
    // Answers dialogs from the start: the entry point may already raise an error.
    std::optional<AutoRun> run;
    if (options.yes) run.emplace(services.Menus(), options.run);

    if (!services.InitAddin(addin.Entry())) {
      std::cerr << "polyverb-ide: the add-in " << addin.Path() << " reported a failure from "
                << kExpertEntryPoint << std::endl;
      code = cli::kExitFailure;
    } else if (options.yes) {
      // The add-in writes sources itself; what it added to uses clauses shows on disk.
      const std::vector<std::string> using_before = FilesUsingUnit(project.Files(), "vLangRT");
      QTimer::singleShot(0, &app, [&] {
        run->Run();
        app.quit();
      });
      app.exec();
      RunSummary summary = Summarize(window, services, *run);
      for (const std::string& file : FilesUsingUnit(project.Files(), "vLangRT"))
        if (std::find(using_before.begin(), using_before.end(), file) == using_before.end())
          summary.run_time_added.push_back(window.Short(file));
      std::cout << FormatSummary(summary);
      std::cout.flush();
      code = SummaryExitStatus(summary);
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

int RunIdeStandIn(const IdeRunOptions& options, int& argc, char** argv) {
  try {
    const ProjectFile project(options.project);
    // Resolved before the directory changes: a relative --expert names a file from here.
    const std::string addin_path =
        options.expert ? FullPathName(*options.expert) : DefaultAddinPath();
    if (::chdir(project.Directory().c_str()) != 0)
      throw Error("Cannot change to the project directory " + project.Directory() + ": " +
                  std::strerror(errno));
    // Unloaded only after the QApplication is gone, and only when nothing of it lives.
    AddinLibrary addin(addin_path);
    ChoosePlatform(options.yes);
    if (Offscreen()) g_qt_default_handler = qInstallMessageHandler(FilterOffscreenNotes);
    QApplication app(argc, argv);
    QApplication::setApplicationName("polyverb-ide");
    QApplication::setApplicationDisplayName("Polyverb IDE");
    return RunIde(app, project, addin, options);
  } catch (const std::exception& e) {
    std::cerr << "polyverb-ide: " << e.what() << std::endl;
    return cli::kExitFailure;
  }
}

}  // namespace polyverb
