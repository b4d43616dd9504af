#include "expert/Expert.h"

#include <utility>

#include "expert/ErrorRelay.h"
#include "expert/WizardRun.h"
#include "platform/Error.h"

namespace polyverb {

TIToolServices* ToolServices = nullptr;

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

}  // namespace polyverb
