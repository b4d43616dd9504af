#include "expert/UnitList.h"

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace polyverb {

std::string TUnitProps::UnitName() const {
  return std::string(FileNamePart(style, FileName));
}

std::string TUnitProps::UnitPath() const {
  return FileName.substr(0, FileNameStart(style, FileName));
}

std::string LowerExtension(std::string_view name, PathStyle style) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (char& c : ext) {
    if (IsPathDelimiter(style, c)) return {};  // the "." belongs to a directory name
    c = AsciiLower(c);
  }
  return ext;
}

void TUnitList::LoadFromProject(TIToolServices& services) {
  const std::int32_t count = services.GetUnitCount();
  for (std::int32_t i = 0; i < count; ++i) {
    TUnitProps unit;
    unit.FileName = services.GetUnitName(i);
    unit.style = FStyle;
    const std::string ext = LowerExtension(unit.FileName, FStyle);
    // Option and resource files belong to the project but are not modules.
    if (ext == ".dof" || ext == ".res") continue;
    // A Lazarus program (.lpr) is its project's file as a .dpr is: the IDE keeps it open.
    unit.IsProject = ext == ".dpr" || ext == ".lpr";
    if (unit.IsProject) FProjectDir = unit.UnitPath();
    FUnits.push_back(std::move(unit));
  }
}

void TUnitList::ShowInListView(TListViewIntf& list_view) const {
  list_view.Clear();
  for (const TUnitProps& unit : FUnits)
    list_view.AddRow(unit.UnitName(), RelativePath(FProjectDir, unit.UnitPath(), FStyle),
                     unit.Selected);
}

void TUnitList::ReadFromListView(const TListViewIntf& list_view) {
  for (std::int32_t i = 0; i < Count(); ++i) {
    if (i >= list_view.RowCount()) throw ListIndexError(i);
    FUnits[static_cast<std::size_t>(i)].Selected = list_view.RowSelected(i);
  }
}

TUnitProps& TUnitList::Items(std::int32_t index) {
  if (index < 0 || index >= Count()) throw ListIndexError(index);
  return FUnits[static_cast<std::size_t>(index)];
}

std::string RelativePath(std::string base, std::string target, PathStyle style) {
  const char separator = PathSeparator(style);
  if (target.empty()) return std::string(".") + separator;
  if (base.empty()) return target;

  std::size_t common = 0;  // length of the common beginning, then of its directory part
  if (base == target) {
    common = base.size();
  } else {
    std::size_t same = 0;
    while (same < base.size() && same < target.size() && base[same] == target[same]) ++same;
    while (same > 0 && !IsPathDelimiter(style, base[same - 1])) --same;
    common = same;
    // No shared directory: "..\" steps would climb past the top of Base's name and then
    // name Target's drive as a directory; Target itself still says where the module is.
    if (common == 0) return target;
  }
  base.erase(0, common);
  target.erase(0, common);

  std::string result;
  std::string first;
  while (!base.empty()) {
    result += "..";
    result += separator;
    CutFirstDir(base, first, style);
  }
  while (!target.empty()) {
    CutFirstDir(target, first, style);
    result += first;
    result += separator;
  }
  return result;
}

void CutFirstDir(std::string& path, std::string& first, PathStyle style) {
  const std::size_t p = path.find(PathSeparator(style));
  first = path.substr(0, p);
  path = p == std::string::npos ? std::string() : path.substr(p + 1);
}

}  // namespace polyverb
