// The IDE stand-in's modules, forms and components over the real files on disk, and the
// bookkeeping of what it hands out. Qt-free: the window is reached through IdeView.
//
// No stale copies: a module's form is read from disk when the add-in asks for the module,
// lives only while the add-in holds an interface of that module, and is read again for
// the next request. Source processing rewrites files on disk between two requests, and
// the host must never write back an old buffer over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ideintf/IdeIntf.h"
#include "project/FormFile.h"

namespace polyverb {

// What the host shows besides its return values; the window implements it.
class IdeView {
 public:
  virtual ~IdeView() = default;
  // Why an operation gave nothing: on stderr and in the window.
  virtual void Report(const std::string& text) = 0;
  // What the IDE did (a file written): in the window only.
  virtual void Note(const std::string& text) = 0;
  // ShowForm: the form `formPath` in the designer.
  virtual void FormShown(const std::string& form_path, const FormFile& form) = 0;
  // The files open in the IDE changed; `open` in the order they were opened.
  virtual void OpenFilesChanged(const std::vector<std::string>& open) = 0;
};

// Every interface object the host has handed out and the add-in has not yet released,
// in hand-out order, by label ("Module(Main.pas)").
class LiveObjects {
 public:
  void Add(const void* object, std::string label);
  void Remove(const void* object);
  std::size_t Count() const { return objects_.size(); }
  std::vector<std::string> Labels() const;

 private:
  std::uint64_t next_ = 0;
  std::map<const void*, std::pair<std::uint64_t, std::string>> objects_;
};

// The base of every interface the host hands out: counted in LiveObjects from creation
// to the last Release. `live` must outlive the object.
template <class Intf>
class HostInterface : public Intf {
 public:
  HostInterface(LiveObjects& live, std::string label) : live_(live) {
    live_.Add(this, std::move(label));
  }

 protected:
  ~HostInterface() override { live_.Remove(this); }
  LiveObjects& live_;
};

// The component classes this IDE knows, with their published string properties: the
// run-time multi-language component of runtime/vMLang.pas.
bool IsInstalledClass(std::string_view class_name);

class IdeModules {
 public:
  // `projectFile`: the program's full name (.dpr, .lpr), open from the start and never
  // closed. `lazarusProject`: the .lpi of a Lazarus project, whose form units have .lfm
  // forms and whose required packages grow by the package of a component put on a form.
  // Completes the module saves a killed run left unfinished, reporting each.
  IdeModules(std::string project_file, IdeView& view, LiveObjects& live,
             std::optional<std::string> lazarus_project = std::nullopt);
  ~IdeModules();
  IdeModules(const IdeModules&) = delete;
  IdeModules& operator=(const IdeModules&) = delete;

  // `name` made full (from the current directory) and matched to the file on disk
  // without regard to letter case; as made full when no file matches.
  static std::string Resolve(const std::string& name);

  // Opens an existing file (false and a report when there is none).
  bool OpenFile(const std::string& name);
  // Closes an open file; the project file stays open (false), as does a file not open.
  bool CloseFile(const std::string& name);
  const std::vector<std::string>& OpenFiles() const { return open_; }

  // A new module interface, or nullptr with a report of why: the file does not exist, or
  // its form file cannot be read (broken, or inherited from a form the project lacks). An
  // inherited form's components include those it inherits from its ancestors' form files.
  TIModuleInterface* GetModuleInterface(const std::string& name);

  // For the summary: the files a module interface was given for, in order, each once;
  // the files refused, with the reason; the modules whose last Save failed (unit file,
  // the failure's message); the files Save wrote.
  const std::vector<std::string>& ModulesGiven() const { return given_; }
  const std::vector<std::pair<std::string, std::string>>& ModulesRefused() const {
    return refused_;
  }
  const std::vector<std::pair<std::string, std::string>>& ModulesFailed() const { return failed_; }
  const std::vector<std::string>& FilesWritten() const { return written_; }

  // Where a module's save keeps its journal (project/SaveJournal.h): the project's
  // directory. The journals a killed run left there are completed on construction.
  std::string JournalDirectory() const;

  // Internal: shared by the interfaces of one module.
  struct ModuleState;
  IdeView& View() { return view_; }
  LiveObjects& Live() { return live_; }
  void Written(const std::string& path);
  void Failed(const std::string& unit_path, const std::string& why);
  void Saved(const std::string& unit_path);

 private:
  std::string project_file_;
  std::optional<std::string> lazarus_project_;
  IdeView& view_;
  LiveObjects& live_;
  std::vector<std::string> open_;
  // A module's state while any of its interfaces lives: two requests for one file
  // meanwhile share one form tree, as one IDE module would.
  std::map<std::string, std::weak_ptr<ModuleState>> modules_;
  std::vector<std::string> given_;
  std::vector<std::pair<std::string, std::string>> refused_;
  std::vector<std::pair<std::string, std::string>> failed_;
  std::vector<std::string> written_;
};

}  // namespace polyverb
