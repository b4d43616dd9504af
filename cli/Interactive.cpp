#include "cli/Interactive.h"

#include <dlfcn.h>

#include "cli/ChooserPlugin.h"
#include "platform/Error.h"
#include "source/SourceProcessing.h"

namespace polyverb::cli {
namespace {

// Loaded once and kept: Qt cannot be unloaded from a process it has run in. The library
// is found through the executable's run path, which the build points at the library.
const ChooserApi& ChooserLibrary() {
  static const ChooserApi* api = [] {
    void* library = ::dlopen(kChooserLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
      throw Error(std::string("--interactive cannot load the chooser dialog: ") + ::dlerror());
    auto entry = reinterpret_cast<const ChooserApi* (*)()>(::dlsym(library, kChooserEntry));
    const ChooserApi* found = entry != nullptr ? entry() : nullptr;
    if (found == nullptr || found->version != kChooserApiVersion)
      throw Error(std::string("--interactive cannot load the chooser dialog: ") + kChooserLibrary +
                  " is not the library of this version of polyverb");
    return found;
  }();
  return *api;
}

}  // namespace

InteractiveSession::InteractiveSession() : api_(&ChooserLibrary()) {
  std::string error;
  session_ = api_->open(error);
  if (session_ == nullptr) throw Error(error);
}

InteractiveSession::~InteractiveSession() {
  api_->close(session_);
}

void InteractiveSession::Choose(std::span<const std::string> lines, TLangStrings& strings) {
  std::string error;
  if (!api_->choose(session_, CurFileName, lines, strings, error)) throw Error(error);
}

}  // namespace polyverb::cli
