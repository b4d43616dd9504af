// The wizard run: one click of the menu item, from the wizard dialog to every selected
// module converted.
#pragma once

#include <string_view>

#include "expert/WizardUi.h"
#include "ideintf/IdeIntf.h"

namespace polyverb {

// The class name of the run-time multi-language component and the property it sets.
inline constexpr std::string_view kLangComponentType = "TvMLang";
inline constexpr std::string_view kLangFileNameProp = "LangFileName";
// The one failure a run reports itself and survives; the file name follows directly.
inline constexpr std::string_view kNoModuleMessage = "Cann't get module interface for ";

// The first component owned by Form whose class name equals TypeName ignoring the case of
// A to Z; an empty handle when none does. Components the IDE gives as nullptr are skipped.
// Throws when the form gives no form component; the message names FileName.
TIntfPtr<TIComponentInterface> FindComponentByType(TIFormInterface& form,
                                                   std::string_view type_name,
                                                   std::string_view file_name);

// One click of the menu item. With no project open it does nothing. Otherwise it shows
// the wizard and, after Finish, gives each selected module a TvMLang whose LangFileName is
// the language name, saves it, closes it (never the project file) and, when asked, runs
// ProcessPasFile on it with Ui's chooser, all modules in one conversion run (the sound
// rules; an include file is offered with the first module that uses it), and stores the
// texts of its form file under the same language-file lock (a warning about a text left
// out is shown in a message box). A module without module interface is reported with a
// message box and skipped, as is each warning of its conversion (a missing include file);
// any other failure ends the run and propagates.
void RunWizard(TIToolServices& services, TWizardUi& ui);

}  // namespace polyverb
