// The add-in's one exported function. It lives outside the static library so that tests
// of the library choose their own dialogs.
#include <type_traits>

#include "expert/Expert.h"
#include "expert/WizardUi.h"
#include "ideintf/IdeIntf.h"

extern "C" __attribute__((visibility("default"))) bool INITEXPERT0017(
    polyverb::TIToolServices* tool_services, polyverb::TExpertRegisterProc register_proc,
    polyverb::TExpertTerminateProc* terminate) {
  return polyverb::InitExpert(tool_services, register_proc, terminate, &polyverb::CreateWizardUi);
}

// The host looks the function up by name; keep its type in step with the header's.
static_assert(std::is_same_v<decltype(&INITEXPERT0017), polyverb::TExpertInitProc>);
