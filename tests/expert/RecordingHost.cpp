#include "tests/expert/RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/Error.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {

// ---- Wrappers ---------------------------------------------------------------------------

class TrackedBase {
 public:
  TrackedBase(RecordingHost& host, std::string label) : host_(host), label_(std::move(label)) {}
  virtual ~TrackedBase() = default;
  virtual void Destroy() = 0;

  const std::string& Label() const { return label_; }
  bool Released() const { return count_ <= 0; }
  int AddRefs() const { return add_refs_; }
  int Releases() const { return releases_; }

 protected:
  // Every operation starts here: a tombstone must never be used.
  void Use(const std::string& op) {
    if (Released()) ADD_FAILURE() << op << " called on " << label_ << " after its release";
  }
  std::int32_t DoAddRef() {
    Use("AddRef");
    ++add_refs_;
    return ++count_;
  }
  std::int32_t DoRelease() {
    if (Released()) {
      ADD_FAILURE() << label_ << " released once too often";
      return 0;
    }
    ++releases_;
    host_.Record("Release " + label_);
    return --count_;
  }

  RecordingHost& host_;

 private:
  std::string label_;
  std::int32_t count_ = 1;
  int add_refs_ = 0;
  int releases_ = 0;
};

template <class W, class... Args>
W* RecordingHost::HandOut(Args&&... args) {
  auto* wrapper = new W(*this, std::forward<Args>(args)...);
  handed_out_.push_back(wrapper);
  return wrapper;
}

namespace {

template <class Intf>
class Tracked : public Intf, public TrackedBase {
 public:
  Tracked(RecordingHost& host, std::string label) : TrackedBase(host, std::move(label)) {}
  std::int32_t AddRef() override { return DoAddRef(); }
  std::int32_t Release() override { return DoRelease(); }
  std::int32_t GetVersion() override {
    Use("GetVersion");
    return 3;
  }
  void Destroy() override { delete this; }

 protected:
  // Records "Label.entry" after checking the wrapper is alive.
  void Call(const std::string& entry) {
    Use(entry);
    host_.Record(Label() + "." + entry);
  }
};

std::string FlagsText(TIMenuFlags flags) {
  return std::to_string(static_cast<int>(flags));
}

bool IsLangComponent(const HostComponent& c) {
  std::string lower = c.type;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return lower == "tvmlang";
}

class MenuItemW : public Tracked<TIMenuItemIntf> {
 public:
  MenuItemW(RecordingHost& host, HostMenuItem* item, const std::string& role = "MenuItem")
      : Tracked(host, role + "(" + item->name + ")"), item_(item) {}

  std::int32_t GetIndex() override {
    Call("GetIndex");
    return item_->Index();
  }
  TIMenuItemIntf* GetParent() override {
    Call("GetParent");
    if (host_.no_parent || item_->parent == nullptr) return nullptr;
    return host_.HandOut<MenuItemW>(item_->parent);
  }
  TIMenuItemIntf* InsertItem(std::int32_t index, const std::string& caption,
                             const std::string& name, const std::string& hint,
                             std::int32_t short_cut, std::int32_t context, std::int32_t group_index,
                             TIMenuFlags flags, TIMenuClickEvent event_handler) override {
    Call("InsertItem(" + std::to_string(index) + ", " + caption + ", " + name + ", " + hint + ", " +
         std::to_string(short_cut) + ", " + std::to_string(context) + ", " +
         std::to_string(group_index) + ", " + FlagsText(flags) + ")");
    if (index < 0 || static_cast<std::size_t>(index) > item_->items.size()) {
      ADD_FAILURE() << "InsertItem at " << index << " in a menu of " << item_->items.size();
      return nullptr;
    }
    auto item = std::make_unique<HostMenuItem>();
    item->name = name;
    item->caption = caption;
    item->flags = flags;
    item->on_click = event_handler;
    item->parent = item_;
    HostMenuItem* raw = item.get();
    item_->items.insert(item_->items.begin() + index, std::move(item));
    return host_.HandOut<MenuItemW>(raw);
  }

 private:
  HostMenuItem* item_;
};

class MainMenuW : public Tracked<TIMainMenuIntf> {
 public:
  explicit MainMenuW(RecordingHost& host) : Tracked(host, "MainMenu") {}
  TIMenuItemIntf* GetMenuItems() override {
    Call("GetMenuItems");
    if (host_.no_menu_items) return nullptr;
    return host_.HandOut<MenuItemW>(&host_.Menu());
  }
  TIMenuItemIntf* FindMenuItem(const std::string& name) override {
    Call("FindMenuItem(" + name + ")");
    HostMenuItem* item = host_.FindItem(name);
    return item == nullptr ? nullptr : host_.HandOut<MenuItemW>(item);
  }
};

class ComponentW : public Tracked<TIComponentInterface> {
 public:
  ComponentW(RecordingHost& host, HostComponent* component, HostModule* module)
      : Tracked(host, "Component(" + component->name + ")"),
        component_(component),
        module_(module) {}

  std::string GetComponentType() override {
    Call("GetComponentType");
    return component_->type;
  }
  bool SetPropByName(const std::string& name, const void* new_value) override {
    // The IDE knows the property's type from the class: LangFileName is a string of TvMLang.
    if (name == "LangFileName" && IsLangComponent(*component_)) {
      const auto& value = *static_cast<const std::string*>(new_value);
      Call("SetPropByName(" + name + ", " + value + ")");
      component_->props[name] = value;
      return true;
    }
    Call("SetPropByName(" + name + ", ?)");
    return false;
  }
  std::int32_t GetComponentCount() override {
    Call("GetComponentCount");
    return static_cast<std::int32_t>(component_->components.size());
  }
  TIComponentInterface* GetComponent(std::int32_t index) override {
    Call("GetComponent(" + std::to_string(index) + ")");
    if (index < 0 || static_cast<std::size_t>(index) >= component_->components.size()) {
      ADD_FAILURE() << "GetComponent(" << index << ") outside the form's components";
      return nullptr;
    }
    if (module_->null_components.count(index) != 0) return nullptr;
    return host_.HandOut<ComponentW>(component_->components[static_cast<std::size_t>(index)].get(),
                                     module_);
  }

 private:
  HostComponent* component_;
  HostModule* module_;
};

class FormW : public Tracked<TIFormInterface> {
 public:
  FormW(RecordingHost& host, HostModule* module)
      : Tracked(host, "Form(" + host.Short(module->FileName) + ")"), module_(module) {}

  TIComponentInterface* GetFormComponent() override {
    Call("GetFormComponent");
    if (module_->no_form_component) return nullptr;
    return host_.HandOut<ComponentW>(module_->form.get(), module_);
  }
  TIComponentInterface* CreateComponent(TIComponentInterface* container,
                                        const std::string& type_name, std::int32_t x,
                                        std::int32_t y, std::int32_t w, std::int32_t h) override {
    Call("CreateComponent(" + std::string(container == nullptr ? "nil" : "container") + ", " +
         type_name + ", " + std::to_string(x) + ", " + std::to_string(y) + ", " +
         std::to_string(w) + ", " + std::to_string(h) + ")");
    if (module_->create_gives_null) return nullptr;
    auto component = std::make_unique<HostComponent>();
    component->type = type_name;
    component->name = type_name.substr(1) + std::to_string(module_->form->components.size() + 1);
    component->x = x;
    component->y = y;
    component->w = w;
    component->h = h;
    HostComponent* raw = component.get();
    module_->form->components.push_back(std::move(component));
    return host_.HandOut<ComponentW>(raw, module_);
  }

 private:
  HostModule* module_;
};

class ModuleW : public Tracked<TIModuleInterface> {
 public:
  ModuleW(RecordingHost& host, HostModule* module)
      : Tracked(host, "Module(" + host.Short(module->FileName) + ")"), module_(module) {}

  TIFormInterface* GetFormInterface() override {
    Call("GetFormInterface");
    return module_->form == nullptr ? nullptr : host_.HandOut<FormW>(module_);
  }
  bool Save(bool force_save) override {
    Call(std::string("Save(") + (force_save ? "true" : "false") + ")");
    ++module_->saves;
    return true;
  }
  bool ShowForm() override {
    Call("ShowForm");
    return module_->form != nullptr;
  }

 private:
  HostModule* module_;
};

RecordingHost* g_current_host = nullptr;

}  // namespace

// ---- Components ----------------------------------------------------------------------

HostComponent& HostComponent::Add(const std::string& type, const std::string& name,
                                  const std::optional<std::string>& lang_file_name) {
  auto component = std::make_unique<HostComponent>();
  component->type = type;
  component->name = name;
  if (lang_file_name) component->props["LangFileName"] = *lang_file_name;
  components.push_back(std::move(component));
  return *components.back();
}

// ---- Menu items ----------------------------------------------------------------------

HostMenuItem* HostMenuItem::Add(std::string name) {
  auto item = std::make_unique<HostMenuItem>();
  item->name = name;
  item->caption = std::move(name);
  item->flags = MenuFlag(mfEnabled) | MenuFlag(mfVisible);
  item->parent = this;
  items.push_back(std::move(item));
  return items.back().get();
}

std::int32_t HostMenuItem::Index() const {
  if (parent == nullptr) return -1;
  for (std::size_t i = 0; i < parent->items.size(); ++i)
    if (parent->items[i].get() == this) return static_cast<std::int32_t>(i);
  return -1;
}

// ---- The host --------------------------------------------------------------------------

RecordingHost::RecordingHost(std::string dir) : dir_(std::move(dir)) {
  menu_.name = "Items";
  menu_.Add("File")->Add("FileOpenItem");
  HostMenuItem* project = menu_.Add("Project");
  project->Add("ProjectAddItem");
  project->Add("ProjectOptionsItem");
  project->Add("ProjectCompileItem");
  menu_.Add("Help")->Add("HelpAboutItem");
  g_current_host = this;
}

RecordingHost::~RecordingHost() {
  EXPECT_TRUE(verified_) << "RecordingHost::Verify() was not called";
  ReleaseExperts();
  for (TrackedBase* w : handed_out_) w->Destroy();
  if (g_current_host == this) g_current_host = nullptr;
}

HostModule& RecordingHost::AddFile(const std::string& name, const std::string& content,
                                   const std::string& form_type) {
  const std::string full = Path(name);
  WriteBytes(full, content);
  files_.push_back(full);
  if (name.size() > 4 && name.substr(name.size() - 4) == ".dpr") project_name_ = full;
  auto module = std::make_unique<HostModule>();
  module->FileName = full;
  if (!form_type.empty()) {
    module->form = std::make_unique<HostComponent>();
    module->form->type = form_type;
    module->form->name = form_type.substr(1);
  }
  modules_.push_back(std::move(module));
  return *modules_.back();
}

void RecordingHost::AddName(const std::string& full_name) {
  files_.push_back(full_name);
}

HostModule& RecordingHost::Module(const std::string& name) {
  HostModule* module = FindModule(Path(name));
  if (module == nullptr) throw Error("test set-up: no module " + name);
  return *module;
}

HostModule* RecordingHost::FindModule(const std::string& file_name) {
  for (auto& m : modules_)
    if (m->FileName == file_name) return m.get();
  return nullptr;
}

HostMenuItem* RecordingHost::FindItem(const std::string& name) {
  std::vector<HostMenuItem*> pending{&menu_};
  while (!pending.empty()) {
    HostMenuItem* item = pending.back();
    pending.pop_back();
    if (item != &menu_ && item->name == name) return item;
    for (auto& child : item->items) pending.push_back(child.get());
  }
  return nullptr;
}

void RecordingHost::Click(const std::string& name) {
  HostMenuItem* item = FindItem(name);
  ASSERT_NE(item, nullptr) << "no menu item " << name;
  ASSERT_TRUE(item->on_click) << name << " has no click handler";
  // The Sender stays the host's: it is released here, by the host, exactly once.
  auto* sender = HandOut<MenuItemW>(item, std::string("Sender"));
  item->on_click(sender);
  sender->Release();
}

bool RecordingHost::Register(TIExpert* expert) {
  RecordingHost* host = g_current_host;
  if (host == nullptr) {
    ADD_FAILURE() << "registration with no host";
    return false;
  }
  host->Record("Register");
  host->experts_.push_back(expert);
  return host->register_result;
}

void RecordingHost::ReleaseExperts() {
  std::vector<TIExpert*> experts;
  experts.swap(experts_);
  for (TIExpert* expert : experts) {
    Record("ReleaseExpert");
    expert->Release();
  }
}

void RecordingHost::Verify() {
  verified_ = true;
  ReleaseExperts();
  for (const TrackedBase* w : handed_out_) {
    EXPECT_TRUE(w->Released()) << w->Label() << " was never released";
    EXPECT_EQ(w->Releases(), 1 + w->AddRefs()) << w->Label() << " released unevenly";
  }
  EXPECT_EQ(services_refs_, 0) << "the tool services' reference count was touched";
}

void RecordingHost::Record(const std::string& entry) {
  log_.push_back(entry);
  if (fail_at.count(entry) == 0) return;
  if (fail) fail(entry);
  throw Error("host failure at " + entry);
}

std::string RecordingHost::Short(const std::string& file_name) const {
  const std::string prefix = dir_ + "/";
  if (file_name.compare(0, prefix.size(), prefix) == 0) return file_name.substr(prefix.size());
  return file_name;
}

// ---- TIToolServices --------------------------------------------------------------------

std::int32_t RecordingHost::AddRef() {
  ADD_FAILURE() << "AddRef on the tool services";
  return ++services_refs_ + 1;
}

std::int32_t RecordingHost::Release() {
  ADD_FAILURE() << "Release on the tool services (the add-in never releases them)";
  return --services_refs_ + 1;
}

bool RecordingHost::CloseFile(const std::string& file_name) {
  Record("CloseFile(" + Short(file_name) + ")");
  HostModule* module = FindModule(file_name);
  if (module == nullptr) return false;
  module->open = false;
  return true;
}

bool RecordingHost::OpenFile(const std::string& file_name) {
  Record("OpenFile(" + Short(file_name) + ")");
  HostModule* module = FindModule(file_name);
  if (module == nullptr) return false;
  module->open = true;
  return true;
}

std::uintptr_t RecordingHost::GetParentHandle() {
  Record("GetParentHandle");
  return parent_handle;
}

std::string RecordingHost::GetProjectName() {
  Record("GetProjectName");
  return project_name_;
}

std::int32_t RecordingHost::GetUnitCount() {
  Record("GetUnitCount");
  return static_cast<std::int32_t>(files_.size());
}

std::string RecordingHost::GetUnitName(std::int32_t index) {
  Record("GetUnitName(" + std::to_string(index) + ")");
  if (index < 0 || static_cast<std::size_t>(index) >= files_.size()) {
    ADD_FAILURE() << "GetUnitName(" << index << ") outside the project";
    return {};
  }
  return files_[static_cast<std::size_t>(index)];
}

TIModuleInterface* RecordingHost::GetModuleInterface(const std::string& file_name) {
  Record("GetModuleInterface(" + Short(file_name) + ")");
  HostModule* module = FindModule(file_name);
  if (module == nullptr || module->no_module_interface) return nullptr;
  return HandOut<ModuleW>(module);
}

TIMainMenuIntf* RecordingHost::GetMainMenu() {
  Record("GetMainMenu");
  if (no_main_menu) return nullptr;
  return HandOut<MainMenuW>();
}

void RecordingHost::RaiseException(const std::string& message) {
  Record("RaiseException(" + message + ")");
  errors.push_back(message);
}

}  // namespace polyverb::testing
