#include "expert/WizardRun.h"

#include <memory>
#include <span>
#include <string>

#include "expert/UnitList.h"
#include "langfile/LangFileWriter.h"
#include "platform/Bytes.h"
#include "platform/Error.h"
#include "project/FormFamily.h"
#include "project/FormFile.h"
#include "project/FormTexts.h"
#include "source/SourceProcessing.h"
#include "source/SourceUnit.h"

namespace polyverb {

TIntfPtr<TIComponentInterface> FindComponentByType(TIFormInterface& form,
                                                   std::string_view type_name,
                                                   std::string_view file_name) {
  TIntfPtr<TIComponentInterface> form_component(form.GetFormComponent());
  if (!form_component) throw Error("Cannot get the form component of " + std::string(file_name));
  const std::int32_t count = form_component->GetComponentCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TIntfPtr<TIComponentInterface> component(form_component->GetComponent(i));
    // A component the IDE cannot hand out cannot be the one to reuse; look further.
    if (component && SameTextAscii(component->GetComponentType(), type_name)) return component;
  }
  return {};
}

namespace {

// Gives the module's form its TvMLang with LangFileName = LangName and saves the module.
void AddLangComponent(TIModuleInterface& module, TIFormInterface& form,
                      const std::string& lang_name, const std::string& file_name) {
  TIntfPtr<TIComponentInterface> component =
      FindComponentByType(form, kLangComponentType, file_name);
  if (!component) {
    component = TIntfPtr<TIComponentInterface>(form.CreateComponent(
        /*Container=*/nullptr, std::string(kLangComponentType), 2, 2, 10, 10));
    if (!component)
      throw Error("Cannot create a " + std::string(kLangComponentType) +
                  " component on the form of " + file_name);
  }
  component->SetPropByName(std::string(kLangFileNameProp), &lang_name);
  module.Save(/*ForceSave=*/true);
}

// The texts of the module's form file (read from disk: the IDE interface cannot read
// properties), read before the language file is locked. The catalog of forms an inherited
// form's ancestors come from: the project's units and the module's neighbours.
struct ModuleFormTexts {
  std::string form_path;
  FormTexts texts;
};

std::optional<ModuleFormTexts> ReadModuleFormTexts(const std::string& file_name, TUnitList& units) {
  std::optional<std::string> form_path = FindAnyFormFile(file_name);
  if (!form_path) return std::nullopt;  // a form the IDE holds only in memory has no texts on disk
  std::vector<std::string> unit_files;
  for (std::int32_t i = 0; i < units.Count(); ++i) unit_files.push_back(units.Items(i).FileName);
  const std::vector<std::string> beside =
      FormCatalog::UnitsIn(file_name.substr(0, file_name.rfind('/') + 1));
  unit_files.insert(unit_files.end(), beside.begin(), beside.end());
  FormTexts texts = ReadFormTexts(*form_path, FormCatalog(unit_files), FormTextProps::Default());
  return ModuleFormTexts{std::move(*form_path), std::move(texts)};
}

}  // namespace

void RunWizard(TIToolServices& services, TWizardUi& ui) {
  if (services.GetProjectName().empty()) return;

  // The dialog is declared first so that the unit list goes first on the way out.
  std::unique_ptr<TWizardDialog> dialog;
  TUnitList units;
  units.LoadFromProject(services);
  dialog = ui.CreateWizardDialog();
  units.ShowInListView(dialog->lvUnits());
  if (dialog->ShowModal() != TWizardDialog::kFinished) return;

  units.ReadFromListView(dialog->lvUnits());
  const std::string lang_name = dialog->LanguageName();
  const bool process_sources = dialog->ProcessSources();
  const bool process_forms = dialog->ProcessForms();
  const ScopedAnnotation annotation(dialog->AnnotateCalls());

  // One run for all modules: an include file several of them use is offered once.
  TConversionRun run;
  const ScopedStringChooser chooser(
      [&ui](std::span<const std::string> lines, TLangStrings& strings) {
        ui.ChooseStrings(lines, strings);
      });
  for (std::int32_t i = 0; i < units.Count(); ++i) {
    const TUnitProps& unit = units.Items(i);
    if (!unit.Selected) continue;
    const std::string& file_name = unit.FileName;
    services.OpenFile(file_name);
    bool has_form = false;
    {
      TIntfPtr<TIModuleInterface> module(services.GetModuleInterface(file_name));
      if (!module) {
        ui.ShowMessage(std::string(kNoModuleMessage) + file_name);
        continue;
      }
      module->ShowForm();
      TIntfPtr<TIFormInterface> form(module->GetFormInterface());
      has_form = static_cast<bool>(form);
      if (form) AddLangComponent(*module, *form, lang_name, file_name);
    }  // the form, then the module, are released here
    if (!unit.IsProject) services.CloseFile(file_name);
    // On disk the module is now saved and closed, so the IDE holds no stale copy of it.
    std::optional<ModuleFormTexts> form_texts;
    if (process_forms && has_form) form_texts = ReadModuleFormTexts(file_name, units);
    // Under the language file's lock, after the module's literals: they keep the numbers a
    // run without form texts gives them.
    const LangFileStep store_form_texts = [&](TvLangFileEdit& file) {
      if (form_texts) StoreFormTexts(file, form_texts->texts, form_texts->form_path);
    };
    if (process_sources) {
      ProcessPasFile(file_name, lang_name, run, store_form_texts);
      // A missing include file, for one: the module is done, but the user must hear of it.
      for (const std::string& warning : run.TakeWarnings()) ui.ShowMessage(warning);
    } else if (form_texts) {
      LangFileWriter writer(MakeLangFileName(lang_name));
      store_form_texts(writer.File());
      writer.Save();
    }
    if (form_texts)
      for (const std::string& warning : form_texts->texts.warnings) ui.ShowMessage(warning);
  }
}

}  // namespace polyverb
