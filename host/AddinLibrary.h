// The add-in library, loaded with dlopen as the IDE loads it.
#pragma once

#include <string>

#include "ideintf/IdeIntf.h"

namespace polyverb {

class AddinLibrary {
 public:
  // Loads the library at `path` and looks up INITEXPERT0017. Throws Error
  // "Cannot load the add-in PATH: WHY" when the file is missing, is no loadable library,
  // or does not export the entry point.
  explicit AddinLibrary(const std::string& path);
  // Unloads the library unless KeepLoaded was called.
  ~AddinLibrary();
  AddinLibrary(const AddinLibrary&) = delete;
  AddinLibrary& operator=(const AddinLibrary&) = delete;

  const std::string& Path() const { return path_; }
  TExpertInitProc Entry() const { return entry_; }
  // The library stays loaded for the rest of the process: objects of its code still live.
  void KeepLoaded() { keep_ = true; }

 private:
  std::string path_;
  void* handle_ = nullptr;
  TExpertInitProc entry_ = nullptr;
  bool keep_ = false;
};

// The add-in the host loads without --expert: libpolyverb.so beside the executable, or,
// in a build tree, ../expert/libpolyverb.so from the executable's directory. The first
// that exists; the one beside the executable when neither does.
std::string DefaultAddinPath();

}  // namespace polyverb
