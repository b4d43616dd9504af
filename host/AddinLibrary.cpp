#include "host/AddinLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/Error.h"
#include "project/ProjectFile.h"

namespace polyverb {
namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/'));
}

}  // namespace

AddinLibrary::AddinLibrary(const std::string& path) : path_(path) {
  auto fail = [&](const std::string& why) {
    return Error("Cannot load the add-in " + path + ": " + why);
  };
  if (!IsFile(path)) throw fail("no such file");
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    throw fail(why != nullptr ? why : "not a loadable library");
  }
  entry_ = reinterpret_cast<TExpertInitProc>(::dlsym(handle_, kExpertEntryPoint));
  if (entry_ == nullptr) {
    ::dlclose(handle_);
    throw fail(std::string("it exports no ") + kExpertEntryPoint);
  }
}

AddinLibrary::~AddinLibrary() {
  if (!keep_) ::dlclose(handle_);
}

std::string DefaultAddinPath() {
  const std::string dir = ExecutableDirectory();
  const std::string beside = dir + "/libpolyverb.so";
  const std::string build_tree = FullPathName(dir + "/../expert/libpolyverb.so");
  if (IsFile(beside) || !IsFile(build_tree)) return beside;
  return build_tree;
}

}  // namespace polyverb
