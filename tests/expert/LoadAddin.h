// The built add-in's entry point, loaded as the IDE loads it.
#pragma once

#include <dlfcn.h>

#include <gtest/gtest.h>

#include "ideintf/IdeIntf.h"

namespace polyverb::testing {

// Loads `path` once and never unloads it: a host never unloads the add-in while its
// objects live. Gives nullptr (and fails the test) when it cannot be loaded.
inline TExpertInitProc LoadAddinEntryPoint(const char* path) {
  static TExpertInitProc entry = [path] {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      ADD_FAILURE() << dlerror();
      return TExpertInitProc{nullptr};
    }
    return reinterpret_cast<TExpertInitProc>(dlsym(library, kExpertEntryPoint));
  }();
  return entry;
}

}  // namespace polyverb::testing
