// The dialogs of an add-in built without a GUI toolkit: each one reports that it is
// missing, through the error relay, instead of pretending that the user answered.
#include <cstdint>
#include <memory>

#include "expert/WizardUi.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

class TNoDialogsUi : public TWizardUi {
 public:
  std::unique_ptr<TWizardDialog> CreateWizardDialog() override { throw Missing(); }
  void ShowMessage(const std::string&) override { throw Missing(); }
  void ChooseStrings(std::span<const std::string>, TLangStrings&) override { throw Missing(); }

 private:
  static Error Missing() { return Error("Polyverb: no dialogs available in this build"); }
};

}  // namespace

std::unique_ptr<TWizardUi> CreateWizardUi(std::uintptr_t /*ParentWindow*/) {
  return std::make_unique<TNoDialogsUi>();
}

}  // namespace polyverb
