#include "expert/Polyverb.h"

#include <exception>
#include <utility>

#include "platform/Error.h"
#include "platform/Text.h"
#include "source/PasPrcss.h"

namespace polyverb {

TIToolServices* ToolServices = nullptr;

// ---- Error relay ---------------------------------------------------------------------

void RelayException(TIToolServices* Services) noexcept {
  try {
    std::string message;
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
      message = "Unknown failure";
    }
    if (Services != nullptr) Services->RaiseException(message);
  } catch (...) {
    // The IDE's own error reporter failed: nothing is left to tell, and nothing may
    // travel back into the IDE.
  }
}

namespace {

// Runs `body` for an operation the IDE calls; a failure goes to the relay and the result
// keeps what it held before.
template <class Result, class Body>
Result Relayed(TIToolServices& Services, Result result, Body body) noexcept {
  try {
    result = body();
  } catch (...) {
    RelayException(&Services);
  }
  return result;
}

}  // namespace

// ---- Entry point ---------------------------------------------------------------------

bool InitExpert(TIToolServices* Services, TExpertRegisterProc RegisterProc,
                TExpertTerminateProc* /*Terminate: the add-in registers none*/,
                TWizardUiFactory UiFactory) noexcept {
  if (Services == nullptr) return true;
  try {
    ToolServices = Services;
    // Without a registration function nobody would own the expert while its menu item
    // pointed at it; insert nothing then.
    if (RegisterProc == nullptr)
      throw Error("Polyverb cannot register itself: the IDE passed no registration function");
    std::unique_ptr<TWizardUi> ui = UiFactory(Services->GetParentHandle());
    // The expert's one reference goes to the IDE with the registration, whatever it returns.
    RegisterProc(new TPolyverb(*Services, std::move(ui)));
  } catch (...) {
    RelayException(Services);
  }
  return true;
}

// ---- The expert ----------------------------------------------------------------------

TPolyverb::TPolyverb(TIToolServices& Services, std::unique_ptr<TWizardUi> Ui)
    : FToolServices(Services), FUi(std::move(Ui)) {
  if (FUi == nullptr) throw Error("Polyverb has no dialogs to show");
  // Declared outermost first, so that the handles release innermost first on every path.
  TIntfPtr<TIMainMenuIntf> mainMenu(Services.GetMainMenu());
  if (!mainMenu) return;
  TIntfPtr<TIMenuItemIntf> menuItems(mainMenu->GetMenuItems());
  if (!menuItems) return;
  TIntfPtr<TIMenuItemIntf> optionsItem(mainMenu->FindMenuItem(std::string(kOptionsItemName)));
  if (!optionsItem) return;
  TIntfPtr<TIMenuItemIntf> projectMenu(optionsItem->GetParent());
  if (!projectMenu) return;
  const std::int32_t index = optionsItem->GetIndex() + 1;
  FMenuItem = TIntfPtr<TIMenuItemIntf>(projectMenu->InsertItem(
      index, std::string(kMenuCaption), std::string(kMenuItemName), /*Hint=*/"",
      /*ShortCut=*/0, /*Context=*/0, /*GroupIndex=*/0, kMenuItemFlags,
      BindMenuClick<TPolyverb, &TPolyverb::MenuClick>(this)));
}

std::string TPolyverb::GetName() {
  return Relayed(FToolServices, std::string(), [] { return std::string(kExpertName); });
}

TExpertStyle TPolyverb::GetStyle() {
  return Relayed(FToolServices, TExpertStyle::esAddIn, [] { return TExpertStyle::esAddIn; });
}

std::string TPolyverb::GetIDString() {
  return Relayed(FToolServices, std::string(), [] { return std::string(kExpertIDString); });
}

// An add-in expert is reached through its menu item only; the IDE has no use for these.
std::string TPolyverb::GetAuthor() {
  return {};
}
std::string TPolyverb::GetComment() {
  return {};
}
std::string TPolyverb::GetPage() {
  return {};
}
TGlyphHandle TPolyverb::GetGlyph() {
  return 0;
}
TExpertState TPolyverb::GetState() {
  return 0;
}
std::string TPolyverb::GetMenuText() {
  return {};
}
void TPolyverb::Execute() {}

void TPolyverb::MenuClick(TIMenuItemIntf* /*Sender: the host's, neither kept nor released*/) {
  try {
    RunWizard(FToolServices, *FUi);
  } catch (...) {
    RelayException(&FToolServices);
  }
}

// ---- Project module list -----------------------------------------------------------

std::string TUnitProps::UnitName() const {
  return std::string(FileNamePart(Style, FileName));
}

std::string TUnitProps::UnitPath() const {
  return FileName.substr(0, FileNameStart(Style, FileName));
}

std::string LowerExtension(std::string_view Name, PathStyle Style) {
  const std::size_t dot = Name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(Name.substr(dot));
  for (char& c : ext) {
    if (IsPathDelimiter(Style, c)) return {};  // the "." belongs to a directory name
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

void TUnitList::LoadFromProject(TIToolServices& Services) {
  const std::int32_t count = Services.GetUnitCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TUnitProps unit;
    unit.FileName = Services.GetUnitName(i);
    unit.Style = FStyle;
    const std::string ext = LowerExtension(unit.FileName, FStyle);
    // Option and resource files belong to the project but are not modules.
    if (ext == ".dof" || ext == ".res") continue;
    unit.IsProject = ext == ".dpr";
    if (unit.IsProject) FProjectDir = unit.UnitPath();
    FUnits.push_back(std::move(unit));
  }
}

void TUnitList::ShowInListView(TListViewIntf& ListView) const {
  ListView.Clear();
  for (const TUnitProps& unit : FUnits)
    ListView.AddRow(unit.UnitName(), RelativePath(FProjectDir, unit.UnitPath(), FStyle),
                    unit.Selected);
}

void TUnitList::ReadFromListView(const TListViewIntf& ListView) {
  for (std::int32_t i = 0; i < Count(); ++i) {
    if (i >= ListView.RowCount()) throw ListIndexError(i);
    FUnits[static_cast<std::size_t>(i)].Selected = ListView.RowSelected(i);
  }
}

TUnitProps& TUnitList::Items(std::int32_t Index) {
  if (Index < 0 || Index >= Count()) throw ListIndexError(Index);
  return FUnits[static_cast<std::size_t>(Index)];
}

std::string RelativePath(std::string Base, std::string Target, PathStyle Style) {
  const char separator = PathSeparator(Style);
  if (Target.empty()) return std::string(".") + separator;
  if (Base.empty()) return Target;

  std::size_t common = 0;  // length of the common beginning, then of its directory part
  if (Base == Target) {
    common = Base.size();
  } else {
    std::size_t same = 0;
    while (same < Base.size() && same < Target.size() && Base[same] == Target[same]) ++same;
    while (same > 0 && !IsPathDelimiter(Style, Base[same - 1])) --same;
    common = same;
    // No shared directory: "..\" steps would climb past the top of Base's name and then
    // name Target's drive as a directory; Target itself still says where the module is.
    if (common == 0) return Target;
  }
  Base.erase(0, common);
  Target.erase(0, common);

  std::string result;
  std::string first;
  while (!Base.empty()) {
    result += "..";
    result += separator;
    CutFirstDir(Base, first, Style);
  }
  while (!Target.empty()) {
    CutFirstDir(Target, first, Style);
    result += first;
    result += separator;
  }
  return result;
}

void CutFirstDir(std::string& Path, std::string& First, PathStyle Style) {
  const std::size_t p = Path.find(PathSeparator(Style));
  First = Path.substr(0, p);
  Path = p == std::string::npos ? std::string() : Path.substr(p + 1);
}

// ---- Wizard run ----------------------------------------------------------------------

TIntfPtr<TIComponentInterface> FindComponentByType(TIFormInterface& Form, std::string_view TypeName,
                                                   std::string_view FileName) {
  TIntfPtr<TIComponentInterface> formComponent(Form.GetFormComponent());
  if (!formComponent) throw Error("Cannot get the form component of " + std::string(FileName));
  const std::int32_t count = formComponent->GetComponentCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TIntfPtr<TIComponentInterface> component(formComponent->GetComponent(i));
    // A component the IDE cannot hand out cannot be the one to reuse; look further.
    if (component && SameTextAscii(component->GetComponentType(), TypeName)) return component;
  }
  return {};
}

namespace {

// Gives the module's form its TvMLang with LangFileName = LangName and saves the module.
void AddLangComponent(TIModuleInterface& Module, TIFormInterface& Form, const std::string& LangName,
                      const std::string& FileName) {
  TIntfPtr<TIComponentInterface> component =
      FindComponentByType(Form, kLangComponentType, FileName);
  if (!component) {
    component = TIntfPtr<TIComponentInterface>(Form.CreateComponent(
        /*Container=*/nullptr, std::string(kLangComponentType), 2, 2, 10, 10));
    if (!component)
      throw Error("Cannot create a " + std::string(kLangComponentType) +
                  " component on the form of " + FileName);
  }
  component->SetPropByName(std::string(kLangFileNameProp), &LangName);
  Module.Save(/*ForceSave=*/true);
}

}  // namespace

void RunWizard(TIToolServices& Services, TWizardUi& Ui) {
  if (Services.GetProjectName().empty()) return;

  // The dialog is declared first so that the unit list goes first on the way out.
  std::unique_ptr<TWizardDialog> dialog;
  TUnitList units;
  units.LoadFromProject(Services);
  dialog = Ui.CreateWizardDialog();
  units.ShowInListView(dialog->lvUnits());
  if (dialog->ShowModal() != TWizardDialog::kFinished) return;

  units.ReadFromListView(dialog->lvUnits());
  const std::string langName = dialog->LanguageName();
  const bool processSources = dialog->ProcessSources();

  const ScopedStringChooser chooser(
      [&Ui](std::span<const std::string> Lines, TLangStrings& Strings) {
        Ui.ChooseStrings(Lines, Strings);
      });
  for (std::int32_t i = 0; i < units.Count(); ++i) {
    const TUnitProps& unit = units.Items(i);
    if (!unit.Selected) continue;
    const std::string& fileName = unit.FileName;
    Services.OpenFile(fileName);
    {
      TIntfPtr<TIModuleInterface> module(Services.GetModuleInterface(fileName));
      if (!module) {
        Ui.ShowMessage(std::string(kNoModuleMessage) + fileName);
        continue;
      }
      module->ShowForm();
      TIntfPtr<TIFormInterface> form(module->GetFormInterface());
      if (form) AddLangComponent(*module, *form, langName, fileName);
    }  // the form, then the module, are released here
    if (!unit.IsProject) Services.CloseFile(fileName);
    // On disk the module is now saved and closed, so the IDE holds no stale copy of it.
    if (processSources) ProcessPasFile(fileName, langName);
  }
}

}  // namespace polyverb
