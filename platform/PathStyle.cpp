#include "platform/PathStyle.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Error.h"

namespace polyverb {

char PathSeparator(PathStyle style) {
  return style == PathStyle::kWindows ? '\\' : '/';
}

bool IsPathDelimiter(PathStyle style, char c) {
  if (style == PathStyle::kWindows) return c == '\\' || c == ':';
  return c == '/';
}

bool HasDirectoryPart(PathStyle style, std::string_view name) {
  for (char c : name)
    if (IsPathDelimiter(style, c)) return true;
  return false;
}

std::size_t FileNameStart(PathStyle style, std::string_view name) {
  for (std::size_t i = name.size(); i > 0; --i)
    if (IsPathDelimiter(style, name[i - 1])) return i;
  return 0;
}

std::string_view FileNamePart(PathStyle style, std::string_view name) {
  return name.substr(FileNameStart(style, name));
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE)
      throw Error(std::string("Cannot determine the current directory: ") + std::strerror(errno));
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace polyverb
