#include "host/IdeModules.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "project/FormFamily.h"
#include "project/LazarusProject.h"
#include "project/ProjectFile.h"
#include "project/SaveJournal.h"
#include "project/UnitEditor.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

struct InstalledClass {
  std::string_view class_name;
  std::string_view unit_name;  // the unit that declares it, added to a form unit's uses
  std::string_view string_property;
  std::string_view package;  // the Lazarus package that holds the unit
};

// The one class this IDE has installed: its form files and units must compile against
// runtime/vMLang.pas (in Lazarus: the run-time package of runtime/lazarus/).
constexpr InstalledClass kInstalled[] = {
    {"TvMLang", kRunTimeUnit, "LangFileName", "polyverb_runtime"}};

const InstalledClass* FindInstalled(std::string_view class_name) {
  for (const InstalledClass& c : kInstalled)
    if (SameTextAscii(c.class_name, class_name)) return &c;
  return nullptr;
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasPascalUnitExtension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string_view extension = std::string_view(path).substr(dot);
  return SameTextAscii(extension, ".pas") || SameTextAscii(extension, ".pp");
}

std::string_view FormExtension(FormFileKind kind) {
  return kind == FormFileKind::kLfm ? ".lfm" : ".dfm";
}

std::string FormFileName(const std::string& unit_path, FormFileKind kind) {
  const std::size_t slash = unit_path.rfind('/');
  const std::string name = unit_path.substr(slash == std::string::npos ? 0 : slash + 1);
  return name.substr(0, name.rfind('.')) + std::string(FormExtension(kind));
}

// A form unit: the project names a form after its entry ({Form1}), or the unit links its
// form file in ({$R *.dfm}, {$R *.lfm}).
bool DeclaresForm(const std::string& unit_path, const std::string& project_file,
                  FormFileKind kind) {
  const std::string link = "{$R*" + std::string(FormExtension(kind)) + "}";
  const std::string resource = "{$RESOURCE*" + std::string(FormExtension(kind)) + "}";
  try {
    if (ProjectFile(project_file).FormOf(unit_path)) return true;
  } catch (const Error&) {
    // A project file that cannot be read names no form; the unit may still link one.
  }
  try {
    const SourceText text = ReadSourceFile(unit_path);
    TvScanner scanner(text.Lines());
    scanner.directives = true;
    for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
      if (scanner.Kind() != tkDirective) continue;
      std::string d(scanner.Token());
      d.erase(std::remove(d.begin(), d.end(), ' '), d.end());
      if (SameTextAscii(d, link) || SameTextAscii(d, resource)) return true;
    }
  } catch (const Error&) {
  }
  return false;
}

}  // namespace

bool IsInstalledClass(std::string_view class_name) {
  return FindInstalled(class_name) != nullptr;
}

// ---- LiveObjects --------------------------------------------------------------------------

void LiveObjects::Add(const void* object, std::string label) {
  objects_[object] = {next_++, std::move(label)};
}

void LiveObjects::Remove(const void* object) {
  objects_.erase(object);
}

std::vector<std::string> LiveObjects::Labels() const {
  std::vector<std::pair<std::uint64_t, std::string>> ordered;
  for (const auto& [object, entry] : objects_) ordered.push_back(entry);
  std::sort(ordered.begin(), ordered.end());
  std::vector<std::string> labels;
  for (auto& entry : ordered) labels.push_back(std::move(entry.second));
  return labels;
}

// ---- One module's state -------------------------------------------------------------------

struct IdeModules::ModuleState {
  IdeModules& owner;
  std::string unit_path;
  std::optional<std::string> form_path;
  std::optional<FormFile> form;
  // The bytes the tree stands for (as read, or as last written): a form file that differs
  // on disk at save time was changed by someone else and is not overwritten.
  std::string form_bytes;
  // An inherited form: what it inherits, and the names its ancestors and descendants use
  // (a new component takes none of them, or one of the forms would not stream).
  std::vector<InheritedComponent> inherited;
  std::vector<std::string> taken;

  // The form's components as the IDE lists them: the inherited ones first, then the ones
  // its own file declares anew. Exactly one of the pair is set.
  std::vector<std::pair<FormObject*, const InheritedComponent*>> Components() {
    std::vector<std::pair<FormObject*, const InheritedComponent*>> list;
    for (const InheritedComponent& c : inherited) list.emplace_back(nullptr, &c);
    for (FormObject* object : form->Components())
      if (object->Kind() != FormObjectKind::kInherited) list.emplace_back(object, nullptr);
    return list;
  }

  // Reads the form's ancestors and the names of its family. Throws what reading them throws.
  void ReadFamily() {
    std::vector<std::string> units;
    try {
      units = ProjectFile(owner.project_file_).Files();
    } catch (const Error&) {
      // The project file is the IDE's own business here; the form's neighbours still count.
    }
    const std::vector<std::string> beside =
        FormCatalog::UnitsIn(unit_path.substr(0, unit_path.rfind('/')));
    units.insert(units.end(), beside.begin(), beside.end());
    const FormCatalog catalog(units);
    const std::vector<FormFile> ancestors = catalog.Ancestors(*form_path, *form);
    std::vector<const FormFile*> levels;
    for (const FormFile& ancestor : ancestors) {
      levels.push_back(&ancestor);
      const std::vector<std::string> names = ObjectNames(ancestor);
      taken.insert(taken.end(), names.begin(), names.end());
    }
    inherited = InheritedComponents(levels);
    const std::vector<std::string> below = catalog.DescendantNames(form->Root().ClassName());
    taken.insert(taken.end(), below.begin(), below.end());
  }

  // Writes what changed: the form file and the unit with the fields and uses clause the
  // form's components need, as one step (SaveFilesTogether): after any failure both are
  // old or both new. The unit edits are computed first, so a unit they cannot handle
  // leaves both files as they were.
  void Save() {
    if (!form) return;
    const std::optional<std::string>& lpi = owner.lazarus_project_;
    const std::string form_text = form->Write();
    const std::string on_disk = ReadWholeFile(*form_path);
    if (on_disk != form_bytes)
      throw Error("Form file " + *form_path +
                  " was changed on disk since the IDE read it; the module was not saved");

    std::vector<ComponentField> fields;
    std::vector<std::string_view> units;
    std::vector<std::string_view> packages;
    for (const FormObject* c : form->Components()) {
      const InstalledClass* installed = FindInstalled(c->ClassName());
      if (!c->IsNew() && installed == nullptr) continue;
      // An inherited component is declared in the ancestor's class.
      if (c->Kind() == FormObjectKind::kObject && !c->Name().empty())
        fields.push_back({c->Name(), c->ClassName()});
      if (installed != nullptr &&
          std::find(units.begin(), units.end(), installed->unit_name) == units.end()) {
        units.push_back(installed->unit_name);
        packages.push_back(installed->package);
      }
    }
    const std::string unit_before = ReadWholeFile(unit_path);
    std::string unit_after = unit_before;
    if (!fields.empty())
      unit_after = AddClassFields(unit_after, unit_path, form->Root().ClassName(), fields);
    for (std::string_view unit : units) unit_after = AddInterfaceUses(unit_after, unit_path, unit);
    // As the Lazarus IDE does when a component is dropped: the project requires the
    // component's package, or the unit it uses is not found when the project is built.
    std::string lpi_before, lpi_after;
    if (lpi && !packages.empty()) {
      lpi_before = lpi_after = ReadWholeFile(*lpi);
      for (std::string_view package : packages)
        lpi_after = RequirePackage(lpi_after, package, *lpi);
    }

    // The project's package list goes in the same step: a unit that uses the package's
    // unit without the project requiring it would not build.
    std::vector<FileUpdate> updates = {{*form_path, on_disk, form_text},
                                       {unit_path, unit_before, unit_after}};
    if (lpi_after != lpi_before) updates.push_back({*lpi, lpi_before, lpi_after});
    SaveFilesTogether(owner.JournalDirectory(), updates);
    if (form_text != on_disk) {
      form_bytes = form_text;
      owner.Written(*form_path);
    }
    if (unit_after != unit_before) owner.Written(unit_path);
    if (lpi_after != lpi_before) owner.Written(*lpi);
  }
};

// ---- The interfaces -----------------------------------------------------------------------

namespace {

using ModuleState = IdeModules::ModuleState;

std::string ComponentLabel(const std::string& name, const std::string& class_name) {
  return "Component(" + (name.empty() ? ":" + class_name : name) + ")";
}

class ComponentIntf : public HostInterface<TIComponentInterface> {
 public:
  ComponentIntf(std::shared_ptr<ModuleState> state, FormObject& object, bool is_form)
      : HostInterface(state->owner.Live(), ComponentLabel(object.Name(), object.ClassName())),
        state_(std::move(state)),
        object_(&object),
        is_form_(is_form) {}
  // A component the form inherits; its own file gets an `inherited` object for it when
  // a property is set.
  ComponentIntf(std::shared_ptr<ModuleState> state, const InheritedComponent& inherited)
      : HostInterface(state->owner.Live(), ComponentLabel(inherited.name, inherited.class_name)),
        state_(std::move(state)),
        inherited_(inherited),
        is_form_(false) {}

  std::string GetComponentType() override {
    return object_ != nullptr ? object_->ClassName() : inherited_->class_name;
  }

  bool SetPropByName(const std::string& name, const void* new_value) override {
    if (new_value == nullptr) return false;
    // The value's type comes from the class: the installed classes' string properties, or
    // a property the form file already holds as a string. Anything else cannot be read
    // from the untyped address.
    const std::string class_name = GetComponentType();
    const InstalledClass* installed = FindInstalled(class_name);
    std::string prop_name = name;
    if (installed != nullptr && SameTextAscii(installed->string_property, name)) {
      prop_name = installed->string_property;
    } else {
      const FormProperty* existing = object_ != nullptr ? object_->FindProperty(name) : nullptr;
      if (existing == nullptr || existing->Value().kind != FormValueKind::kString) {
        state_->owner.View().Report("SetPropByName: " + class_name + " has no string property " +
                                    name + " known to the IDE");
        return false;
      }
      prop_name = existing->Name();
    }
    if (object_ == nullptr)
      object_ = &state_->form->InheritedObject(inherited_->holders, inherited_->name,
                                               inherited_->class_name);
    object_->SetStringProperty(prop_name, *static_cast<const std::string*>(new_value));
    return true;
  }

  // Only the form's own component owns components.
  std::int32_t GetComponentCount() override {
    return is_form_ ? static_cast<std::int32_t>(state_->Components().size()) : 0;
  }

  TIComponentInterface* GetComponent(std::int32_t index) override {
    if (!is_form_) return nullptr;
    const auto components = state_->Components();
    if (index < 0 || static_cast<std::size_t>(index) >= components.size()) return nullptr;
    const auto [object, inherited] = components[static_cast<std::size_t>(index)];
    if (object != nullptr) return new ComponentIntf(state_, *object, false);
    return new ComponentIntf(state_, *inherited);
  }

  bool IsFormOf(const ModuleState* state) const { return is_form_ && state_.get() == state; }

 private:
  std::shared_ptr<ModuleState> state_;
  FormObject* object_ = nullptr;  // null until an inherited component gets its own object
  std::optional<InheritedComponent> inherited_;
  bool is_form_;
};

class FormIntf : public HostInterface<TIFormInterface> {
 public:
  explicit FormIntf(std::shared_ptr<ModuleState> state)
      : HostInterface(state->owner.Live(), "Form(" + *state->form_path + ")"),
        state_(std::move(state)) {}

  TIComponentInterface* GetFormComponent() override {
    return new ComponentIntf(state_, state_->form->Root(), true);
  }

  TIComponentInterface* CreateComponent(TIComponentInterface* container,
                                        const std::string& type_name, std::int32_t x,
                                        std::int32_t y, std::int32_t, std::int32_t) override {
    // Non-visual components sit on the form itself; W and H do not apply to them.
    if (container != nullptr) {
      const auto* mine = dynamic_cast<const ComponentIntf*>(container);
      if (mine == nullptr || !mine->IsFormOf(state_.get())) {
        state_->owner.View().Report("CreateComponent: only the form itself can hold a new " +
                                    type_name);
        return nullptr;
      }
    }
    const InstalledClass* installed = FindInstalled(type_name);
    if (installed == nullptr) {
      state_->owner.View().Report("CreateComponent: class " + type_name +
                                  " is not installed in the IDE");
      return nullptr;
    }
    FormObject& object = state_->form->CreateComponent(installed->class_name, x, y, state_->taken);
    return new ComponentIntf(state_, object, false);
  }

 private:
  std::shared_ptr<ModuleState> state_;
};

class ModuleIntf : public HostInterface<TIModuleInterface> {
 public:
  explicit ModuleIntf(std::shared_ptr<ModuleState> state)
      : HostInterface(state->owner.Live(), "Module(" + state->unit_path + ")"),
        state_(std::move(state)) {}

  TIFormInterface* GetFormInterface() override {
    return state_->form ? new FormIntf(state_) : nullptr;
  }

  // Failures (a unit whose form class is missing, a write that fails) propagate: the
  // run must not go on as if the module had been saved.
  bool Save(bool) override {
    try {
      state_->Save();
    } catch (const Error& e) {
      state_->owner.Failed(state_->unit_path, e.what());
      throw;
    }
    state_->owner.Saved(state_->unit_path);
    return true;
  }

  bool ShowForm() override {
    if (!state_->form) return false;
    state_->owner.View().FormShown(*state_->form_path, *state_->form);
    return true;
  }

 private:
  std::shared_ptr<ModuleState> state_;
};

}  // namespace

// ---- IdeModules -----------------------------------------------------------------------------

IdeModules::IdeModules(std::string project_file, IdeView& view, LiveObjects& live,
                       std::optional<std::string> lazarus_project)
    : project_file_(std::move(project_file)),
      lazarus_project_(std::move(lazarus_project)),
      view_(view),
      live_(live) {
  open_.push_back(project_file_);
  for (const std::string& line : CompleteInterruptedSaves(JournalDirectory())) view_.Report(line);
}

std::string IdeModules::JournalDirectory() const {
  const std::size_t slash = project_file_.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : project_file_.substr(0, slash);
}

IdeModules::~IdeModules() = default;

std::string IdeModules::Resolve(const std::string& name) {
  const std::string full = FullPathName(name);
  return FindIgnoringCase(full).value_or(full);
}

bool IdeModules::OpenFile(const std::string& name) {
  const std::string path = Resolve(name);
  if (!IsRegularFile(path)) {
    view_.Report(CannotOpenFile(path).what());
    return false;
  }
  if (std::find(open_.begin(), open_.end(), path) == open_.end()) {
    open_.push_back(path);
    view_.OpenFilesChanged(open_);
  }
  return true;
}

bool IdeModules::CloseFile(const std::string& name) {
  const std::string path = Resolve(name);
  if (path == project_file_) return false;  // closing it would close the project
  const auto it = std::find(open_.begin(), open_.end(), path);
  if (it == open_.end()) return false;
  open_.erase(it);
  view_.OpenFilesChanged(open_);
  return true;
}

TIModuleInterface* IdeModules::GetModuleInterface(const std::string& name) {
  const std::string path = Resolve(name);
  auto refuse = [&](const std::string& why) -> TIModuleInterface* {
    view_.Report("No module interface for " + path + ": " + why);
    refused_.emplace_back(path, why);
    return nullptr;
  };
  if (!IsRegularFile(path)) return refuse("the file does not exist");
  std::erase_if(modules_, [](const auto& entry) { return entry.second.expired(); });

  std::shared_ptr<ModuleState> state = modules_[path].lock();
  if (!state) {
    state = std::make_shared<ModuleState>(
        ModuleState{*this, path, std::nullopt, std::nullopt, {}, {}, {}});
    if (HasPascalUnitExtension(path)) {
      const FormFileKind kind = lazarus_project_ ? FormFileKind::kLfm : FormFileKind::kDfm;
      state->form_path = FindFormFile(path, kind);
      // Half a form module cannot be converted: its form would get no component, its unit
      // no vMLang, while its literals were rewritten.
      if (!state->form_path && DeclaresForm(path, project_file_, kind))
        return refuse("its form file " + FormFileName(path, kind) + " is missing");
    }
    if (state->form_path) {
      try {
        state->form_bytes = ReadWholeFile(*state->form_path);
        state->form.emplace(FormFile::Parse(state->form_bytes, *state->form_path));
        state->ReadFamily();
      } catch (const Error& e) {
        return refuse(e.what());
      }
    }
    modules_[path] = state;
  }
  if (std::find(given_.begin(), given_.end(), path) == given_.end()) given_.push_back(path);
  return new ModuleIntf(std::move(state));
}

void IdeModules::Failed(const std::string& unit_path, const std::string& why) {
  Saved(unit_path);
  failed_.emplace_back(unit_path, why);
}

void IdeModules::Saved(const std::string& unit_path) {
  std::erase_if(failed_, [&](const auto& entry) { return entry.first == unit_path; });
}

void IdeModules::Written(const std::string& path) {
  written_.push_back(path);
  view_.Note("Saved " + path);
}

}  // namespace polyverb
