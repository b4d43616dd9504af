#include "host/IdeServices.h"

#include <QMenuBar>
#include <utility>

#include "host/MainWindow.h"
#include "platform/Error.h"
#include "project/ProjectFile.h"

namespace polyverb {
namespace {

// The services whose entry point call is running: the registration function has no
// argument to find its IDE by.
IdeServices* g_registering = nullptr;

// The modules over the project's program; a Lazarus project's .lpi goes with them.
IdeModules MakeModules(const std::string& project_file, IdeView& view, LiveObjects& live) {
  const ProjectFile project(project_file);
  return IdeModules(
      project.MainSource(), view, live,
      project.IsLazarus() ? std::optional<std::string>(project.FileName()) : std::nullopt);
}

}  // namespace

IdeServices::IdeServices(std::string project_file, MainWindow& window)
    : project_file_(std::move(project_file)),
      window_(window),
      modules_(MakeModules(project_file_, window, live_)),
      menus_(*window.menuBar(), live_,
             [this](const std::string& message) { RaiseException(message); }) {}

IdeServices::~IdeServices() {
  ReleaseExperts();
}

bool IdeServices::InitAddin(TExpertInitProc entry) {
  g_registering = this;
  TExpertTerminateProc terminate = nullptr;
  const bool ok = entry(this, &IdeServices::RegisterExpert, &terminate);
  g_registering = nullptr;
  terminate_ = terminate;
  return ok;
}

bool IdeServices::RegisterExpert(TIExpert* expert) {
  if (expert == nullptr) return false;
  if (g_registering == nullptr) {
    // Registration outside the entry point: nobody would own the expert.
    expert->Release();
    return false;
  }
  g_registering->experts_.push_back(expert);
  return true;
}

bool IdeServices::ReleaseExperts() {
  bool all_gone = true;
  std::vector<TIExpert*> experts;
  experts.swap(experts_);
  for (TIExpert* expert : experts) all_gone = expert->Release() == 0 && all_gone;
  if (terminate_ != nullptr) std::exchange(terminate_, nullptr)();
  menus_.RemoveInsertedItems();
  return all_gone;
}

bool IdeServices::CloseFile(const std::string& file_name) {
  return modules_.CloseFile(file_name);
}

bool IdeServices::OpenFile(const std::string& file_name) {
  return modules_.OpenFile(file_name);
}

std::uintptr_t IdeServices::GetParentHandle() {
  return static_cast<std::uintptr_t>(window_.winId());
}

std::string IdeServices::GetProjectName() {
  return project_file_;
}

// The project file is read again on every call: source processing rewrites it while it
// is open, and the list must be the one on disk.
std::int32_t IdeServices::GetUnitCount() {
  return static_cast<std::int32_t>(ProjectFile(project_file_).Files().size());
}

std::string IdeServices::GetUnitName(std::int32_t index) {
  const std::vector<std::string> files = ProjectFile(project_file_).Files();
  if (index < 0 || static_cast<std::size_t>(index) >= files.size()) throw ListIndexError(index);
  return files[static_cast<std::size_t>(index)];
}

TIModuleInterface* IdeServices::GetModuleInterface(const std::string& file_name) {
  return modules_.GetModuleInterface(file_name);
}

TIMainMenuIntf* IdeServices::GetMainMenu() {
  return menus_.GetMainMenu();
}

void IdeServices::RaiseException(const std::string& message) {
  errors_.push_back(message);
  window_.ShowError(message);
}

}  // namespace polyverb
