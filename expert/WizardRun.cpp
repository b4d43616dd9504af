#include "expert/WizardRun.h"

#include <memory>
#include <span>
#include <string>

#include "expert/UnitList.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "source/SourceProcessing.h"

namespace polyverb {

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
