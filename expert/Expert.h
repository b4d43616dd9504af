// The expert: what the entry point does, and TPolyverb with its menu item.
//
// Everything here runs on the IDE's main thread, one call at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "expert/WizardUi.h"
#include "ideintf/IdeIntf.h"

namespace polyverb {

// The IDE's tool services, stored by the entry point and never released.
extern TIToolServices* ToolServices;

// The IDE's view of the dialogs in one build of the add-in.
using TWizardUiFactory = std::unique_ptr<TWizardUi> (*)(std::uintptr_t parent_window);

// What INITEXPERT0017 does, with the dialogs' factory as a parameter. Returns True in every
// case. With Services nullptr it does nothing else; otherwise it stores ToolServices, makes
// the IDE's main window the dialogs' owner, and passes a new TPolyverb to RegisterProc
// (whose result is ignored). A failure goes to Services->RaiseException.
bool InitExpert(TIToolServices* services, TExpertRegisterProc register_proc,
                TExpertTerminateProc* terminate, TWizardUiFactory ui_factory) noexcept;

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
  TPolyverb(TIToolServices& services, std::unique_ptr<TWizardUi> ui);

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
  void MenuClick(TIMenuItemIntf* sender);

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

}  // namespace polyverb
