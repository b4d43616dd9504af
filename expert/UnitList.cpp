#include "expert/UnitList.h"

#include "platform/Error.h"
#include "platform/Text.h"

namespace polyverb {

std::string TUnitProps::UnitName() const {
  return std::string(FileNamePart(Style, FileName));
}

std::string TUnitProps::UnitPath() const {
  return FileName.substr(0, FileNameStart(Style, FileName));
}

std::string LowerExtension(std::string_view Name, PathStyle Style) {
  const std::size_t dot = Name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(Name.substr(dot));
  for (char& c : ext) {
    if (IsPathDelimiter(Style, c)) return {};  // the "." belongs to a directory name
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

void TUnitList::LoadFromProject(TIToolServices& Services) {
  const std::int32_t count = Services.GetUnitCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TUnitProps unit;
    unit.FileName = Services.GetUnitName(i);
    unit.Style = FStyle;
    const std::string ext = LowerExtension(unit.FileName, FStyle);
    // Option and resource files belong to the project but are not modules.
    if (ext == ".dof" || ext == ".res") continue;
    unit.IsProject = ext == ".dpr";
    if (unit.IsProject) FProjectDir = unit.UnitPath();
    FUnits.push_back(std::move(unit));
  }
}

void TUnitList::ShowInListView(TListViewIntf& ListView) const {
  ListView.Clear();
  for (const TUnitProps& unit : FUnits)
    ListView.AddRow(unit.UnitName(), RelativePath(FProjectDir, unit.UnitPath(), FStyle),
                    unit.Selected);
}

void TUnitList::ReadFromListView(const TListViewIntf& ListView) {
  for (std::int32_t i = 0; i < Count(); ++i) {
    if (i >= ListView.RowCount()) throw ListIndexError(i);
    FUnits[static_cast<std::size_t>(i)].Selected = ListView.RowSelected(i);
  }
}

TUnitProps& TUnitList::Items(std::int32_t Index) {
  if (Index < 0 || Index >= Count()) throw ListIndexError(Index);
  return FUnits[static_cast<std::size_t>(Index)];
}

std::string RelativePath(std::string Base, std::string Target, PathStyle Style) {
  const char separator = PathSeparator(Style);
  if (Target.empty()) return std::string(".") + separator;
  if (Base.empty()) return Target;

  std::size_t common = 0;  // length of the common beginning, then of its directory part
  if (Base == Target) {
    common = Base.size();
  } else {
    std::size_t same = 0;
    while (same < Base.size() && same < Target.size() && Base[same] == Target[same]) ++same;
    while (same > 0 && !IsPathDelimiter(Style, Base[same - 1])) --same;
    common = same;
    // No shared directory: "..\" steps would climb past the top of Base's name and then
    // name Target's drive as a directory; Target itself still says where the module is.
    if (common == 0) return Target;
  }
  Base.erase(0, common);
  Target.erase(0, common);

  std::string result;
  std::string first;
  while (!Base.empty()) {
    result += "..";
    result += separator;
    CutFirstDir(Base, first, Style);
  }
  while (!Target.empty()) {
    CutFirstDir(Target, first, Style);
    result += first;
    result += separator;
  }
  return result;
}

void CutFirstDir(std::string& Path, std::string& First, PathStyle Style) {
  const std::size_t p = Path.find(PathSeparator(Style));
  First = Path.substr(0, p);
  Path = p == std::string::npos ? std::string() : Path.substr(p + 1);
}

}  // namespace polyverb
