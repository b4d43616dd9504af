// The project as the IDE sees it: the list of the project's files that
// GetUnitCount/GetUnitName give. A Delphi project is its .dpr, read with the Pascal
// scanner's token positions, so comments (the `{Form1}` after an entry, `{$R *.res}`,
// conditional directives) never count as text. A Lazarus project is its .lpi
// (LazarusProject), whose program is the .lpr.
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
  // Reads the project at `path` (made full from the current directory): a .lpi; a .lpr
  // through the .lpi of the same name beside it, or read like a .dpr when there is none;
  // any other file as a .dpr. Throws "Cannot open file NAME", the errors of SourceText,
  // ParseProjectUses and LazarusProject, and "Project file NAME names no main program"
  // for a .lpi without one.
  explicit ProjectFile(const std::string& path);

  // The project's own file, full name: the .dpr, or the .lpi of a Lazarus project.
  const std::string& FileName() const { return file_name_; }
  // The program, full name: the .dpr, or the Lazarus project's main unit (the .lpr).
  const std::string& MainSource() const { return main_source_; }
  // True for a project read through its .lpi.
  bool IsLazarus() const { return is_lazarus_; }
  // The directory that holds the project file, without a trailing "/".
  const std::string& Directory() const { return directory_; }
  // The uses clause of a project read from its program (empty for a .lpi).
  const std::vector<UsesEntry>& Uses() const { return uses_; }
  // Directories besides the project's own where the compiler finds the project's units
  // (a .lpi's OtherUnitFiles; none for a .dpr).
  const std::vector<std::string>& UnitSearchPath() const { return search_path_; }

  // The project's files, full names, in the IDE's order. For a .dpr: the .dpr; then each
  // uses entry with `in '...'` ("\" read as "/", relative to the project directory,
  // matched to the file on disk without regard to letter case, each file once); then the
  // .res and .dof of the same base name when they exist. For a .lpi: its units
  // (LazarusProject::Units), main program first. A unit file that does not exist is
  // listed all the same, under the name as written: the IDE lists it, and opening it
  // fails later where the user sees which one.
  const std::vector<std::string>& Files() const { return files_; }
  // The form the project names for the unit file `path` (one of Files()), if any.
  std::optional<std::string> FormOf(const std::string& path) const;

 private:
  void ReadProgram();
  void ReadLazarusProject();

  std::string file_name_;
  std::string main_source_;
  bool is_lazarus_ = false;
  std::string directory_;
  std::vector<UsesEntry> uses_;
  std::vector<std::string> search_path_;
  std::vector<std::string> files_;
  std::vector<std::pair<std::string, std::string>> forms_;  // unit file, form name
};

}  // namespace polyverb
