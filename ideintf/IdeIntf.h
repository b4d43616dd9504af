// The IDE's add-in interface, shared by the add-in and every host that loads it.
//
// Reference-counted objects whose virtual operations are declared in the IDE's published
// order, so that the vtable slot order is that order. Host and add-in are built by the
// same compiler, so strings cross the boundary as std::string.
//
// Ownership: every interface object an operation returns belongs to the caller, who
// releases it exactly once when done (TIntfPtr does that); nullptr means "none". An
// argument passed in is only borrowed for the call.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace polyverb {

class TInterface {
 public:
  TInterface() = default;
  TInterface(const TInterface&) = delete;
  TInterface& operator=(const TInterface&) = delete;

  // Both return the new count; Release destroys the object when the count reaches 0.
  virtual std::int32_t AddRef() { return ++FRefCount; }
  virtual std::int32_t Release() {
    const std::int32_t count = --FRefCount;
    if (count == 0) delete this;
    return count;
  }
  virtual std::int32_t GetVersion() { return 3; }

 protected:
  // Declared after the published operations so that they keep the first vtable slots; only
  // Release destroys an interface object.
  virtual ~TInterface() = default;

 private:
  std::int32_t FRefCount = 1;
};

// Releases `intf` unless it is nullptr (releasing nil does nothing).
inline void ReleaseIntf(TInterface* intf) {
  if (intf != nullptr) intf->Release();
}

// An owning handle: holds one reference and releases it exactly once, on every path.
template <class T>
class TIntfPtr {
 public:
  TIntfPtr() = default;
  explicit TIntfPtr(T* intf) : FIntf(intf) {}  // adopts the caller's reference
  TIntfPtr(TIntfPtr&& other) noexcept : FIntf(std::exchange(other.FIntf, nullptr)) {}
  TIntfPtr& operator=(TIntfPtr&& other) noexcept {
    if (this != &other) {
      reset();
      FIntf = std::exchange(other.FIntf, nullptr);
    }
    return *this;
  }
  ~TIntfPtr() { reset(); }

  T* get() const { return FIntf; }
  T* operator->() const { return FIntf; }
  T& operator*() const { return *FIntf; }
  explicit operator bool() const { return FIntf != nullptr; }

  void reset() { ReleaseIntf(std::exchange(FIntf, nullptr)); }

 private:
  T* FIntf = nullptr;
};

// ---- Experts -----------------------------------------------------------------------

enum class TExpertStyle : std::uint8_t { esStandard = 0, esForm = 1, esProject = 2, esAddIn = 3 };
// A set of TExpertState values (bit 0 enabled, bit 1 checked).
using TExpertState = std::uint8_t;
// An icon handle; 0 for none.
using TGlyphHandle = std::uintptr_t;

class TIExpert : public TInterface {
 public:
  virtual std::string GetName() = 0;
  virtual std::string GetAuthor() = 0;
  virtual std::string GetComment() = 0;
  virtual std::string GetPage() = 0;
  virtual TGlyphHandle GetGlyph() = 0;
  virtual TExpertStyle GetStyle() = 0;
  virtual TExpertState GetState() = 0;
  virtual std::string GetIDString() = 0;
  virtual std::string GetMenuText() = 0;
  virtual void Execute() = 0;
};

// ---- Menus ---------------------------------------------------------------------------

class TIMenuItemIntf;

// Menu flags: a one-byte set; bit n stands for the flag of value n.
enum TIMenuFlag : std::uint8_t {
  mfInvalid = 0,
  mfEnabled = 1,
  mfVisible = 2,
  mfChecked = 3,
  mfBreak = 4,
  mfBarBreak = 5,
  mfRadioItem = 6,
};
using TIMenuFlags = std::uint8_t;
constexpr TIMenuFlags MenuFlag(TIMenuFlag flag) {
  return static_cast<TIMenuFlags>(1u << flag);
}

// A click handler: a member function bound to its object, as the pair (code, object).
// The Sender the host passes stays the host's: the handler neither keeps nor releases it.
struct TIMenuClickEvent {
  void (*code)(void* data, TIMenuItemIntf* sender) = nullptr;
  void* data = nullptr;

  explicit operator bool() const { return code != nullptr; }
  void operator()(TIMenuItemIntf* sender) const { code(data, sender); }
};

// Binds member function Method of `object` as a click handler.
template <class T, void (T::*Method)(TIMenuItemIntf*)>
TIMenuClickEvent BindMenuClick(T* object) {
  return {[](void* data, TIMenuItemIntf* sender) { (static_cast<T*>(data)->*Method)(sender); },
          object};
}

class TIMenuItemIntf : public TInterface {
 public:
  // Position among the item's siblings.
  virtual std::int32_t GetIndex() = 0;
  // The submenu (item) holding this item.
  virtual TIMenuItemIntf* GetParent() = 0;
  // Inserts a new item into this item's submenu at Index and returns its interface.
  virtual TIMenuItemIntf* InsertItem(std::int32_t index, const std::string& caption,
                                     const std::string& name, const std::string& hint,
                                     std::int32_t short_cut, std::int32_t context,
                                     std::int32_t group_index, TIMenuFlags flags,
                                     TIMenuClickEvent event_handler) = 0;
};

class TIMainMenuIntf : public TInterface {
 public:
  // The top-level item list.
  virtual TIMenuItemIntf* GetMenuItems() = 0;
  // The item called Name anywhere in the menu; nullptr if none.
  virtual TIMenuItemIntf* FindMenuItem(const std::string& name) = 0;
};

// ---- Modules, forms, components ---------------------------------------------------

class TIComponentInterface : public TInterface {
 public:
  // The component's class name.
  virtual std::string GetComponentType() = 0;
  // Sets a published property. NewValue is the address of a variable of the property's
  // type: a std::string for a string property. The host reads it during the call only.
  virtual bool SetPropByName(const std::string& name, const void* new_value) = 0;
  // The components this one owns (for a form's own component: the form's components).
  virtual std::int32_t GetComponentCount() = 0;
  virtual TIComponentInterface* GetComponent(std::int32_t index) = 0;
};

class TIFormInterface : public TInterface {
 public:
  // The form's own component.
  virtual TIComponentInterface* GetFormComponent() = 0;
  // A new component of class TypeName on the form; Container nullptr means the form.
  virtual TIComponentInterface* CreateComponent(TIComponentInterface* container,
                                                const std::string& type_name, std::int32_t x,
                                                std::int32_t y, std::int32_t w, std::int32_t h) = 0;
};

class TIModuleInterface : public TInterface {
 public:
  // The module's form; nullptr for a module without one.
  virtual TIFormInterface* GetFormInterface() = 0;
  // Writes the module to disk (ForceSave: also when unchanged).
  virtual bool Save(bool force_save) = 0;
  // Opens the module's form in the designer.
  virtual bool ShowForm() = 0;
};

// ---- Tool services -------------------------------------------------------------------

class TIToolServices : public TInterface {
 public:
  virtual bool CloseFile(const std::string& file_name) = 0;
  virtual bool OpenFile(const std::string& file_name) = 0;
  // The IDE's main window, owner of every dialog (an opaque window handle; 0 for none).
  virtual std::uintptr_t GetParentHandle() = 0;
  // Empty when no project is open.
  virtual std::string GetProjectName() = 0;
  // The project's files as full names, index 0 to count - 1.
  virtual std::int32_t GetUnitCount() = 0;
  virtual std::string GetUnitName(std::int32_t index) = 0;
  virtual TIModuleInterface* GetModuleInterface(const std::string& file_name) = 0;
  virtual TIMainMenuIntf* GetMainMenu() = 0;
  // Shows Message as an IDE error.
  virtual void RaiseException(const std::string& message) = 0;
};

// ---- The entry point -----------------------------------------------------------------

// Takes the expert (the IDE owns it from then on).
using TExpertRegisterProc = bool (*)(TIExpert* expert);
using TExpertTerminateProc = void (*)();

// The add-in's one exported function, looked up under this name.
inline constexpr const char* kExpertEntryPoint = "INITEXPERT0017";
using TExpertInitProc = bool (*)(TIToolServices* tool_services, TExpertRegisterProc register_proc,
                                 TExpertTerminateProc* terminate);

}  // namespace polyverb
