// The IDE's tool services for the add-in, over the project on disk and the main window:
// the project's files, the modules (IdeModules), the main menu (IdeMenus), the window
// handle that owns the add-in's dialogs, and the error display. Also the IDE's side of
// registration: it keeps the experts the add-in registers and releases them on close.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/IdeMenus.h"
#include "host/IdeModules.h"
#include "ideintf/IdeIntf.h"

namespace polyverb {

class MainWindow;

class IdeServices : public TIToolServices {
 public:
  // `projectFile`: the project's full name (.dpr or .lpi). The window must outlive the
  // services. Throws the errors of ProjectFile.
  IdeServices(std::string project_file, MainWindow& window);
  // Releases the experts still held (ReleaseExperts).
  ~IdeServices() override;

  // Calls the add-in's entry point with these services and the registration function.
  // Returns the entry point's result.
  bool InitAddin(TExpertInitProc entry);
  // Releases every registered expert, calls the termination procedure the add-in set,
  // and removes the menu items it inserted. True when every expert was destroyed (its
  // last Release gave 0).
  bool ReleaseExperts();
  std::size_t ExpertCount() const { return experts_.size(); }

  // The messages given to RaiseException, in order.
  const std::vector<std::string>& ErrorsRaised() const { return errors_; }
  IdeModules& Modules() { return modules_; }
  IdeMenus& Menus() { return menus_; }
  LiveObjects& Live() { return live_; }

  // The tool services are the host's: the add-in never releases them, and they are never
  // deleted through their count.
  std::int32_t AddRef() override { return ++refs_; }
  std::int32_t Release() override { return --refs_; }

  bool CloseFile(const std::string& file_name) override;
  bool OpenFile(const std::string& file_name) override;
  std::uintptr_t GetParentHandle() override;
  std::string GetProjectName() override;
  std::int32_t GetUnitCount() override;
  std::string GetUnitName(std::int32_t index) override;
  TIModuleInterface* GetModuleInterface(const std::string& file_name) override;
  TIMainMenuIntf* GetMainMenu() override;
  void RaiseException(const std::string& message) override;

 private:
  static bool RegisterExpert(TIExpert* expert);

  std::string project_file_;
  MainWindow& window_;
  // Declared before the objects that hand out interfaces, so it outlives them.
  LiveObjects live_;
  IdeModules modules_;
  IdeMenus menus_;
  std::vector<TIExpert*> experts_;
  TExpertTerminateProc terminate_ = nullptr;
  std::vector<std::string> errors_;
  std::int32_t refs_ = 1;
};

}  // namespace polyverb
