#include "host/IdeServices.h"

#include <QMenuBar>
#include <utility>

#include "host/MainWindow.h"
#include "project/ProjectFile.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

// The services whose entry point call is running: the registration function has no
// argument to find its IDE by.
IdeServices* g_registering = nullptr;

}  // namespace

IdeServices::IdeServices(std::string projectFile, MainWindow& window)
    : projectFile_(std::move(projectFile)),
      window_(window),
      modules_(projectFile_, window, live_),
      menus_(*window.menuBar(), live_, [this](const std::string& message) { RaiseException(message); }) {}

IdeServices::~IdeServices() { ReleaseExperts(); }

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
  bool allGone = true;
  std::vector<TIExpert*> experts;
  experts.swap(experts_);
  for (TIExpert* expert : experts) allGone = expert->Release() == 0 && allGone;
  if (terminate_ != nullptr) std::exchange(terminate_, nullptr)();
  menus_.RemoveInsertedItems();
  return allGone;
}

bool IdeServices::CloseFile(const std::string& FileName) { return modules_.CloseFile(FileName); }

bool IdeServices::OpenFile(const std::string& FileName) { return modules_.OpenFile(FileName); }

std::uintptr_t IdeServices::GetParentHandle() { return static_cast<std::uintptr_t>(window_.winId()); }

std::string IdeServices::GetProjectName() { return projectFile_; }

// The project file is read again on every call: source processing rewrites it while it
// is open, and the list must be the one on disk.
std::int32_t IdeServices::GetUnitCount() {
  return static_cast<std::int32_t>(ProjectFile(projectFile_).Files().size());
}

std::string IdeServices::GetUnitName(std::int32_t Index) {
  const std::vector<std::string> files = ProjectFile(projectFile_).Files();
  if (Index < 0 || static_cast<std::size_t>(Index) >= files.size()) throw ListIndexError(Index);
  return files[static_cast<std::size_t>(Index)];
}

TIModuleInterface* IdeServices::GetModuleInterface(const std::string& FileName) {
  return modules_.GetModuleInterface(FileName);
}

TIMainMenuIntf* IdeServices::GetMainMenu() { return menus_.GetMainMenu(); }

void IdeServices::RaiseException(const std::string& Message) {
  errors_.push_back(Message);
  window_.ShowError(Message);
}

}  // namespace polyverb
