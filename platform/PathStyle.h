// Path rules of the two naming styles the system knows. Native names on this platform
// use "/"; the Windows style ("\" and ":" end a directory part) is kept so that names
// written for that platform behave as their users expect.
#pragma once

#include <string>
#include <string_view>

namespace polyverb {

enum class PathStyle { kPosix, kWindows };

inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;

// The separator the system writes when it composes a path in `style`.
char PathSeparator(PathStyle style);

// True when `c` ends a directory part in `style` ("/"; or "\" and ":").
bool IsPathDelimiter(PathStyle style, char c);

// True when `name` holds a directory part (any delimiter of the style).
bool HasDirectoryPart(PathStyle style, std::string_view name);

// Index of the first character of the last component: just past the last delimiter, or 0.
std::size_t FileNameStart(PathStyle style, std::string_view name);

// The last component of `name` (the whole name when it has no delimiter).
std::string_view FileNamePart(PathStyle style, std::string_view name);

// The process's current directory. Throws Error when it cannot be determined.
std::string CurrentDirectory();

}  // namespace polyverb
