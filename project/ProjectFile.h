// The project file (.dpr) as the IDE sees it: the list of the project's files that
// GetUnitCount/GetUnitName give. The .dpr is read with the Pascal scanner's token
// positions, so comments (the `{Form1}` after an entry, `{$R *.res}`, conditional
// directives) never count as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "source/SourceText.h"

namespace polyverb {

// One entry of the project's uses clause.
struct UsesEntry {
  std::string name;                    // as written, dotted names joined: "Vcl.Forms"
  std::optional<std::string> in_path;  // the file name after `in`, unquoted, as written
  std::int32_t line = 0;               // 0-based line of the entry's name
  // The form (or frame) named in the comment after `in '...'`: a form unit.
  std::optional<std::string> form = std::nullopt;
  bool operator==(const UsesEntry&) const = default;
};

// The uses clause of the project source `text`: `program X;` or `library X;` followed by
// an optional `uses` clause. Entries inside conditional blocks all count (the scanner
// skips directives, as the IDE's project list ignores them). Throws Error
// "Project file NAME, line N: WHAT" when the heading or the clause is malformed; `name`
// only words the message.
std::vector<UsesEntry> ParseProjectUses(const SourceText& text, std::string_view name);

// `path` made absolute (from the current directory when relative) with "." and ".."
// components and repeated "/" removed. No file system access besides the current
// directory; symbolic links are kept.
std::string FullPathName(std::string_view path);

// The name of an existing file or directory at `path` (absolute), found component by
// component; a component that does not exist as written matches one whose name differs
// only in letter case (the exact name wins; among several such names the first in byte
// order). nullopt when nothing matches.
std::optional<std::string> FindIgnoringCase(const std::string& path);

// Those of `files` (Pascal sources; others are skipped, as are files that cannot be
// read) whose uses clauses name `unit` (ASCII letter case ignored), in the order given.
std::vector<std::string> FilesUsingUnit(const std::vector<std::string>& files,
                                        std::string_view unit);

class ProjectFile {
 public:
  // Reads the .dpr at `dprPath` (made full from the current directory). Throws
  // "Cannot open file NAME", the errors of SourceText and of ParseProjectUses.
  explicit ProjectFile(const std::string& dpr_path);

  // The .dpr's full name.
  const std::string& FileName() const { return file_name_; }
  // The directory that holds the .dpr, without a trailing "/".
  const std::string& Directory() const { return directory_; }
  const std::vector<UsesEntry>& Uses() const { return uses_; }

  // The project's files, full names, in the IDE's order: the .dpr; then each uses entry
  // with `in '...'` ("\" read as "/", relative to the project directory, matched to the
  // file on disk without regard to letter case, each file once); then the .res and .dof
  // of the same base name when they exist. A unit file that does not exist is listed
  // all the same, under the name as written: the IDE lists it, and opening it fails
  // later where the user sees which one.
  const std::vector<std::string>& Files() const { return files_; }
  // The form the project names for the unit file `path` (one of Files()), if any.
  std::optional<std::string> FormOf(const std::string& path) const;

 private:
  std::string file_name_;
  std::string directory_;
  std::vector<UsesEntry> uses_;
  std::vector<std::string> files_;
  std::vector<std::pair<std::string, std::string>> forms_;  // unit file, form name
};

}  // namespace polyverb
