// The add-in's main unit: the entry point's work, the expert TPolyverb with its menu item,
// the error relay, the wizard run and the project module list.
//
// Everything here runs on the IDE's main thread, one call at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expert/IdeIntf.h"
#include "expert/WizardUi.h"
#include "platform/PathStyle.h"

namespace polyverb {

// The IDE's tool services, stored by the entry point and never released.
extern TIToolServices* ToolServices;

// ---- Error relay ---------------------------------------------------------------------

// Call only inside a catch block: passes the message of the failure being handled to
// Services->RaiseException. Never throws; with Services nullptr the message is dropped
// (there is nobody to show it to).
void RelayException(TIToolServices* Services) noexcept;

// ---- Entry point ---------------------------------------------------------------------

// The IDE's view of the dialogs in one build of the add-in.
using TWizardUiFactory = std::unique_ptr<TWizardUi> (*)(std::uintptr_t ParentWindow);

// What INITEXPERT0017 does, with the dialogs' factory as a parameter. Returns True in every
// case. With Services nullptr it does nothing else; otherwise it stores ToolServices, makes
// the IDE's main window the dialogs' owner, and passes a new TPolyverb to RegisterProc
// (whose result is ignored). A failure goes to Services->RaiseException.
bool InitExpert(TIToolServices* Services, TExpertRegisterProc RegisterProc,
                TExpertTerminateProc* Terminate, TWizardUiFactory UiFactory) noexcept;

// ---- The expert ----------------------------------------------------------------------

// Identity of the expert, as the IDE shows it.
inline constexpr std::string_view kExpertName = "Project Polyverb";
inline constexpr std::string_view kExpertIDString = "Valdor.Polyverb";
inline constexpr std::string_view kMenuCaption = "Polyverb";
inline constexpr std::string_view kMenuItemName = "ProjectPolyverbItem";
inline constexpr std::string_view kOptionsItemName = "ProjectOptionsItem";
inline constexpr TIMenuFlags kMenuItemFlags = MenuFlag(mfEnabled) | MenuFlag(mfVisible);

class TPolyverb : public TIExpert {
 public:
  // Inserts the item "Polyverb" directly after "ProjectOptionsItem", in that item's own
  // submenu. With no main menu, item list, options item or parent submenu, no item is
  // inserted and nothing is reported. Every menu interface obtained on the way is released,
  // innermost first. Services and Ui must outlive the expert.
  TPolyverb(TIToolServices& Services, std::unique_ptr<TWizardUi> Ui);

  // Each body runs inside the error relay.
  std::string GetName() override;
  std::string GetAuthor() override;
  std::string GetComment() override;
  std::string GetPage() override;
  TGlyphHandle GetGlyph() override;
  TExpertStyle GetStyle() override;
  TExpertState GetState() override;
  std::string GetIDString() override;
  std::string GetMenuText() override;
  void Execute() override;

  // The item's click handler: one wizard run inside the error relay.
  void MenuClick(TIMenuItemIntf* Sender);

  // The inserted item; nullptr when none was inserted.
  TIMenuItemIntf* MenuItem() const { return FMenuItem.get(); }

 protected:
  // Releases the menu item; the item stays in the menu (the IDE removes it).
  ~TPolyverb() override = default;

 private:
  TIToolServices& FToolServices;
  std::unique_ptr<TWizardUi> FUi;
  TIntfPtr<TIMenuItemIntf> FMenuItem;
};

// ---- Project module list -----------------------------------------------------------

// One project file.
struct TUnitProps {
  std::string FileName;    // as GetUnitName returned it
  bool Selected = true;    // to be processed
  bool IsProject = false;  // the extension, lower-cased, is ".dpr"
  PathStyle Style = kNativePathStyle;

  // FileName without its directory part (extension included).
  std::string UnitName() const;
  // The directory part of FileName, its last delimiter included; empty when there is none.
  std::string UnitPath() const;
};

// The extension of Name lower-cased (ASCII letters only): from the last "." to the end,
// provided no path delimiter follows that "."; empty otherwise.
std::string LowerExtension(std::string_view Name, PathStyle Style);

class TUnitList {
 public:
  explicit TUnitList(PathStyle Style = kNativePathStyle) : FStyle(Style) {}

  // Appends the project's files in the IDE's order, leaving out ".dof" and ".res" files;
  // the last ".dpr" entry gives the project directory.
  void LoadFromProject(TIToolServices& Services);
  // Replaces the view's rows by one row per entry: UnitName, the UnitPath relative to the
  // project directory, the entry's Selected.
  void ShowInListView(TListViewIntf& ListView) const;
  // Sets each entry's Selected from the row at the same position. Throws "List index out
  // of bounds (%d)" when the view has fewer rows than the list has entries.
  void ReadFromListView(const TListViewIntf& ListView);

  std::int32_t Count() const { return static_cast<std::int32_t>(FUnits.size()); }
  // Throws "List index out of bounds (%d)" for an Index outside 0 to Count - 1.
  TUnitProps& Items(std::int32_t Index);
  const std::string& ProjectDir() const { return FProjectDir; }

 private:
  PathStyle FStyle;
  std::vector<TUnitProps> FUnits;
  std::string FProjectDir;
};

// The path that leads from directory Base to directory Target, both as UnitPath gives
// them: "..\" once per directory of Base below the common beginning, then Target's
// directories below it, each followed by the style's separator ("/" or "\"). Letter case
// matters. Where no relative text can be formed, the result still locates the target:
//  - Base empty (no project file), or Base and Target sharing no directory beginning
//    (another drive, two relative names): Target itself;
//  - Target empty (a name without directory, found where the IDE runs): "." plus the
//    separator, so that it does not read as the project directory.
std::string RelativePath(std::string Base, std::string Target, PathStyle Style = kNativePathStyle);

// Splits off Path's first directory: First := the text before the first separator ("\" in
// the Windows style, "/" otherwise), Path := the text after it (the whole of Path and an
// empty rest when there is none).
void CutFirstDir(std::string& Path, std::string& First, PathStyle Style = kNativePathStyle);

// ---- Wizard run ----------------------------------------------------------------------

// The class name of the run-time multi-language component and the property it sets.
inline constexpr std::string_view kLangComponentType = "TvMLang";
inline constexpr std::string_view kLangFileNameProp = "LangFileName";
// The one failure a run reports itself and survives; the file name follows directly.
inline constexpr std::string_view kNoModuleMessage = "Cann't get module interface for ";

// The first component owned by Form whose class name equals TypeName ignoring the case of
// A to Z; an empty handle when none does. Components the IDE gives as nullptr are skipped.
// Throws when the form gives no form component; the message names FileName.
TIntfPtr<TIComponentInterface> FindComponentByType(TIFormInterface& Form, std::string_view TypeName,
                                                   std::string_view FileName);

// One click of the menu item. With no project open it does nothing. Otherwise it shows
// the wizard and, after Finish, gives each selected module a TvMLang whose LangFileName is
// the language name, saves it, closes it (never the project file) and, when asked, runs
// ProcessPasFile on it with Ui's chooser. A module without module interface is reported
// with a message box and skipped; any other failure ends the run and propagates.
void RunWizard(TIToolServices& Services, TWizardUi& Ui);

}  // namespace polyverb
