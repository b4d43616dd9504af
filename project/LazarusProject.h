// A Lazarus project file (.lpi): the project's units, its main program and its unit
// search path, and the one edit a conversion makes to it, a required package.
//
//   <CONFIG><ProjectOptions>
//     <Version Value="12"/>
//     <General><MainUnit Value="0"/></General>      index into Units; 0 when left out
//     <RequiredPackages>                            version 12: <Item> entries;
//       <Item><PackageName Value="LCL"/></Item>     11 and older: Count="n", <Item1>...
//     </RequiredPackages>
//     <Units>                                       version 12: <Unit> entries;
//       <Unit>                                      11 and older: Count="n", <Unit0>...
//         <Filename Value="Shop.lpr"/>              relative to the .lpi's directory
//         <IsPartOfProject Value="True"/>
//         <ComponentName Value="frmMain"/>          a form unit: its form's name
//         <UnitName Value="MainForm"/>
//       </Unit>
//     </Units>
//   </ProjectOptions>
//   <CompilerOptions><SearchPaths>
//     <OtherUnitFiles Value="src;../common"/>       ';'-separated, relative to the .lpi
//   </SearchPaths></CompilerOptions></CONFIG>
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

struct LazarusUnit {
  std::string file_name;       // full name, matched to the file on disk ignoring letter case
  std::string component_name;  // the form's name for a form unit, else empty
  std::string unit_name;       // as the .lpi gives it; may be empty
  bool operator==(const LazarusUnit&) const = default;
};

class LazarusProject {
 public:
  // Reads the .lpi at `lpiPath` (made full from the current directory). Throws "Cannot
  // open file NAME" and "Project file NAME, line N: WHAT" for a file that is no XML or
  // holds no ProjectOptions.
  explicit LazarusProject(const std::string& lpi_path);
  // Reads the .lpi text `bytes` as if it were the file `lpiPath` (full).
  LazarusProject(std::string_view bytes, const std::string& lpi_path);

  const std::string& FileName() const { return file_name_; }
  // The .lpi's directory, without a trailing "/".
  const std::string& Directory() const { return directory_; }
  // The units that are part of the project, in the .lpi's order with the main program
  // first (when the project has one that is part of it). Each file once.
  const std::vector<LazarusUnit>& Units() const { return units_; }
  // The main program's full name (the first of Units()), or empty for a project without.
  const std::string& MainSource() const { return main_source_; }
  // The directories of OtherUnitFiles, full names, in order; entries that name a build
  // macro other than $(ProjPath) are left out, since only the IDE can expand them.
  const std::vector<std::string>& UnitSearchPath() const { return search_path_; }

 private:
  std::string file_name_;
  std::string directory_;
  std::vector<LazarusUnit> units_;
  std::string main_source_;
  std::vector<std::string> search_path_;
};

// The .lpi text `lpi` with the package `package` among its required packages, written
// in the file's own format (see the file comment), indentation and line ends; the text
// unchanged when the project already requires it (package names ignore letter case).
// The new entry comes first in a version 12 list, last in a numbered one. `fileName`
// only words errors; throws as the LazarusProject constructor.
std::string RequirePackage(std::string_view lpi, std::string_view package,
                           std::string_view file_name);

}  // namespace polyverb
