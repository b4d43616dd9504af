#include "expert/Expert.h"

#include <utility>

#include "expert/ErrorRelay.h"
#include "expert/WizardRun.h"
#include "platform/Error.h"

namespace polyverb {

TIToolServices* ToolServices = nullptr;

bool InitExpert(TIToolServices* services, TExpertRegisterProc register_proc,
                TExpertTerminateProc* /*Terminate: the add-in registers none*/,
                TWizardUiFactory ui_factory) noexcept {
  if (services == nullptr) return true;
  try {
    ToolServices = services;
    // Without a registration function nobody would own the expert while its menu item
    // pointed at it; insert nothing then.
    if (register_proc == nullptr)
      throw Error("Polyverb cannot register itself: the IDE passed no registration function");
    std::unique_ptr<TWizardUi> ui = ui_factory(services->GetParentHandle());
    // The expert's one reference goes to the IDE with the registration, whatever it returns.
    register_proc(new TPolyverb(*services, std::move(ui)));
  } catch (...) {
    RelayException(services);
  }
  return true;
}

TPolyverb::TPolyverb(TIToolServices& services, std::unique_ptr<TWizardUi> ui)
    : FToolServices(services), FUi(std::move(ui)) {
  if (FUi == nullptr) throw Error("Polyverb has no dialogs to show");
  // Declared outermost first, so that the handles release innermost first on every path.
  TIntfPtr<TIMainMenuIntf> main_menu(services.GetMainMenu());
  if (!main_menu) return;
  TIntfPtr<TIMenuItemIntf> menu_items(main_menu->GetMenuItems());
  if (!menu_items) return;
  TIntfPtr<TIMenuItemIntf> options_item(main_menu->FindMenuItem(std::string(kOptionsItemName)));
  if (!options_item) return;
  TIntfPtr<TIMenuItemIntf> project_menu(options_item->GetParent());
  if (!project_menu) return;
  const std::int32_t index = options_item->GetIndex() + 1;
  FMenuItem = TIntfPtr<TIMenuItemIntf>(project_menu->InsertItem(
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
