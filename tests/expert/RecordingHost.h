// A recording IDE for tests: every interface of the IDE's add-in interface over a project
// whose files lie in a directory on disk and whose forms, components and menus live in
// memory.
//
// Every interface object it hands out is a fresh wrapper, counted and kept after its last
// Release as a tombstone: a call on a released wrapper, a second release, or a wrapper
// not released exactly once by the time Verify() runs fails the current test. Every call
// is appended to a log, in order, as "Label.Operation(arguments)"; releases appear as
// "Release Label". File names in the log are relative to the project directory.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ideintf/IdeIntf.h"

namespace polyverb::testing {

using CallLog = std::vector<std::string>;

struct HostComponent {
  std::string type;
  std::string name;
  std::map<std::string, std::string> props;  // string properties set by name
  std::int32_t x = 0, y = 0, w = 0, h = 0;
  std::vector<std::unique_ptr<HostComponent>> components;  // owned components, in order

  // Appends an owned component of class `type`; `lang_file_name`, when given, is its
  // LangFileName.
  HostComponent& Add(const std::string& type, const std::string& name,
                     const std::optional<std::string>& lang_file_name = std::nullopt);
};

struct HostModule {
  std::string FileName;  // full name
  bool open = false;
  int saves = 0;
  // The form's own component; nullptr for a module without a form.
  std::unique_ptr<HostComponent> form;

  // Faults the IDE may show.
  bool no_module_interface = false;        // GetModuleInterface gives nullptr
  bool no_form_component = false;          // GetFormComponent gives nullptr
  bool create_gives_null = false;          // CreateComponent gives nullptr
  std::set<std::int32_t> null_components;  // GetComponent(i) gives nullptr for these
};

struct HostMenuItem {
  std::string name;
  std::string caption;
  TIMenuFlags flags = 0;
  TIMenuClickEvent on_click;
  HostMenuItem* parent = nullptr;
  std::vector<std::unique_ptr<HostMenuItem>> items;

  HostMenuItem* Add(std::string name);
  std::int32_t Index() const;
};

class TrackedBase;

class RecordingHost : public TIToolServices {
 public:
  // A project in `dir` (no project open until a ".dpr" is added or SetProjectName runs),
  // and the main menu File(FileOpenItem), Project(ProjectAddItem, ProjectOptionsItem,
  // ProjectCompileItem), Help(HelpAboutItem). Registration goes to the newest host.
  explicit RecordingHost(std::string dir);
  // Releases what the IDE still owns (its experts) and frees every tombstone. Verify()
  // must have run before.
  ~RecordingHost() override;

  // ---- The project
  // Writes `content` to dir/name and adds it to the project's files. A ".dpr" becomes the
  // project (GetProjectName). With `form_type` the module has a form of that class.
  HostModule& AddFile(const std::string& name, const std::string& content = "",
                      const std::string& form_type = "");
  // Adds a name to the project's files only (no module, nothing on disk), taken as given.
  void AddName(const std::string& full_name);
  void SetProjectName(std::string name) { project_name_ = std::move(name); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  HostModule& Module(const std::string& name);  // by the name given to AddFile
  HostComponent& Form(const std::string& name) { return *Module(name).form; }

  // ---- The menu
  HostMenuItem& Menu() { return menu_; }
  HostMenuItem* FindItem(const std::string& name);
  bool no_main_menu = false;
  bool no_menu_items = false;
  bool no_parent = false;
  // Clicks the item called `name` as the IDE does, with a Sender wrapper of its own.
  void Click(const std::string& name);

  // ---- Registration
  static bool Register(TIExpert* expert);
  bool register_result = true;
  const std::vector<TIExpert*>& Experts() const { return experts_; }
  // The IDE releases every expert it owns (as when it shuts down).
  void ReleaseExperts();

  // ---- What happened
  CallLog& Log() { return log_; }
  std::vector<std::string> errors;  // messages given to RaiseException
  // A call whose log entry is in FailAt fails: it calls Fail, by default throwing
  // polyverb::Error("host failure at ENTRY").
  std::set<std::string> fail_at;
  std::function<void(const std::string& entry)> fail;
  // GetParentHandle's result.
  std::uintptr_t parent_handle = 0x5150;

  // Shuts down as the IDE does (releases its experts), then fails the test for every
  // wrapper not released exactly once and for any use of the tool services' own count.
  void Verify();

  // ---- TIToolServices
  std::int32_t AddRef() override;
  std::int32_t Release() override;
  bool CloseFile(const std::string& file_name) override;
  bool OpenFile(const std::string& file_name) override;
  std::uintptr_t GetParentHandle() override;
  std::string GetProjectName() override;
  std::int32_t GetUnitCount() override;
  std::string GetUnitName(std::int32_t index) override;
  TIModuleInterface* GetModuleInterface(const std::string& file_name) override;
  TIMainMenuIntf* GetMainMenu() override;
  void RaiseException(const std::string& message) override;

  // Internal: used by the wrappers.
  void Record(const std::string& entry);
  std::string Short(const std::string& file_name) const;
  template <class W, class... Args>
  W* HandOut(Args&&... args);
  HostModule* FindModule(const std::string& file_name);

 private:
  std::string dir_;
  std::string project_name_;
  std::vector<std::string> files_;
  std::vector<std::unique_ptr<HostModule>> modules_;
  HostMenuItem menu_;
  std::vector<TIExpert*> experts_;
  std::vector<TrackedBase*> handed_out_;
  CallLog log_;
  int services_refs_ = 0;
  bool verified_ = false;
};

}  // namespace polyverb::testing
