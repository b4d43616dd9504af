// The project module list: the project's files as the IDE gives them, shown in the
// wizard's list view with paths relative to the project directory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expert/WizardUi.h"
#include "ideintf/IdeIntf.h"
#include "platform/PathStyle.h"

namespace polyverb {

// One project file.
struct TUnitProps {
  std::string FileName;    // as GetUnitName returned it
  bool Selected = true;    // to be processed
  bool IsProject = false;  // the extension, lower-cased, is ".dpr" or (Lazarus) ".lpr"
  PathStyle style = kNativePathStyle;

  // FileName without its directory part (extension included).
  std::string UnitName() const;
  // The directory part of FileName, its last delimiter included; empty when there is none.
  std::string UnitPath() const;
};

// The extension of Name lower-cased (ASCII letters only): from the last "." to the end,
// provided no path delimiter follows that "."; empty otherwise.
std::string LowerExtension(std::string_view name, PathStyle style);

class TUnitList {
 public:
  explicit TUnitList(PathStyle style = kNativePathStyle) : FStyle(style) {}

  // Appends the project's files in the IDE's order, leaving out ".dof" and ".res" files;
  // the last ".dpr" or ".lpr" entry gives the project directory.
  void LoadFromProject(TIToolServices& services);
  // Replaces the view's rows by one row per entry: UnitName, the UnitPath relative to the
  // project directory, the entry's Selected.
  void ShowInListView(TListViewIntf& list_view) const;
  // Sets each entry's Selected from the row at the same position. Throws "List index out
  // of bounds (%d)" when the view has fewer rows than the list has entries.
  void ReadFromListView(const TListViewIntf& list_view);

  std::int32_t Count() const { return static_cast<std::int32_t>(FUnits.size()); }
  // Throws "List index out of bounds (%d)" for an Index outside 0 to Count - 1.
  TUnitProps& Items(std::int32_t index);
  const std::string& ProjectDir() const { return FProjectDir; }

 private:
  PathStyle FStyle;
  std::vector<TUnitProps> FUnits;
  std::string FProjectDir;
};

// The path that leads from directory Base to directory Target, both as UnitPath gives
// them: "..\" once per directory of Base below the common beginning, then Target's
// directories below it, each followed by the style's separator ("/" or "\"). Letter case
// matters. Where no relative text can be formed, the result still locates the target:
//  - Base empty (no project file), or Base and Target sharing no directory beginning
//    (another drive, two relative names): Target itself;
//  - Target empty (a name without directory, found where the IDE runs): "." plus the
//    separator, so that it does not read as the project directory.
std::string RelativePath(std::string base, std::string target, PathStyle style = kNativePathStyle);

// Splits off Path's first directory: First := the text before the first separator ("\" in
// the Windows style, "/" otherwise), Path := the text after it (the whole of Path and an
// empty rest when there is none).
void CutFirstDir(std::string& path, std::string& first, PathStyle style = kNativePathStyle);

}  // namespace polyverb
