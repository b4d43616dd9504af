#include "project/LazarusProject.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "project/ProjectFile.h"
#include "project/XmlDocument.h"

namespace polyverb {
namespace {

const XmlElement& ProjectOptions(const XmlElement& root, std::string_view file_name) {
  const XmlElement* options = root.Child("ProjectOptions");
  if (root.name != "CONFIG" || options == nullptr)
    throw Error("Project file " + std::string(file_name) +
                " is not a Lazarus project: it has no CONFIG/ProjectOptions element");
  return *options;
}

std::optional<int> IntValue(const XmlElement* element) {
  if (element == nullptr) return std::nullopt;
  const std::optional<std::string> text = element->AttributeValue("Value");
  if (!text) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

std::string StringValue(const XmlElement& element, std::string_view child) {
  const XmlElement* found = element.Child(child);
  return found == nullptr ? std::string() : found->AttributeValue("Value").value_or("");
}

// An entry of a list: `Unit`, `Item` (version 12) or `Unit0`, `Item1`, ... (older).
// Returns the number of a numbered entry, -1 for an unnumbered one, nullopt otherwise.
std::optional<int> ListEntryNumber(std::string_view name, std::string_view stem) {
  if (!name.starts_with(stem)) return std::nullopt;
  const std::string_view digits = name.substr(stem.size());
  if (digits.empty()) return -1;
  int number = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

bool IsPascalSource(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return false;
  const std::string_view ext = path.substr(dot);
  for (std::string_view known : {".pas", ".pp", ".p", ".lpr", ".dpr"})
    if (SameTextAscii(ext, known)) return true;
  return false;
}

// A path as the .lpi writes it ("/" or "\"), made full from the project's directory.
std::string ProjectPath(std::string written, const std::string& directory) {
  std::replace(written.begin(), written.end(), '\\', '/');
  return FullPathName(!written.empty() && written.front() == '/' ? written
                                                                 : directory + "/" + written);
}

// Whether the project's lists are numbered (`Count`, `Item1`): .lpi version 11 and older.
bool NumberedLists(const XmlElement& options) {
  if (const std::optional<int> version = IntValue(options.Child("Version"))) return *version < 12;
  const XmlElement* units = options.Child("Units");
  return units != nullptr && units->Attribute("Count") != nullptr;
}

// The file's own line end; LF, what the Lazarus IDE writes here, for a file of one line.
std::string ProjectLineEnd(std::string_view text) {
  return std::string(text.find_first_of("\r\n") == std::string_view::npos ? "\n" : LineEndOf(text));
}

// The blanks between the start of the line and `offset`; empty when other text precedes
// it on its line.
std::string IndentAt(std::string_view text, std::size_t offset) {
  std::size_t start = offset;
  while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t')) --start;
  if (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') return {};
  return std::string(text.substr(start, offset - start));
}

constexpr std::string_view kStep = "  ";

// One list entry: `<Item>` or `<ItemN>` with its package name, indented by `indent`
// (the entry's first line takes the indentation of the place it is put).
std::string PackageItem(std::string_view package, const std::string& indent, const std::string& nl,
                        const std::string& tag) {
  return "<" + tag + ">" + nl + indent + std::string(kStep) + "<PackageName Value=\"" +
         EscapeXml(package) + "\"/>" + nl + indent + "</" + tag + ">";
}

std::string NewRequiredPackages(std::string_view package, bool numbered, const std::string& indent,
                                const std::string& nl) {
  const std::string inner = indent + std::string(kStep);
  return std::string(numbered ? "<RequiredPackages Count=\"1\">" : "<RequiredPackages>") + nl +
         inner + PackageItem(package, inner, nl, numbered ? "Item1" : "Item") + nl + indent +
         "</RequiredPackages>";
}

struct Splice {
  std::size_t begin, end;
  std::string text;
};

std::string Apply(std::string_view text, std::vector<Splice> splices) {
  std::sort(splices.begin(), splices.end(),
            [](const Splice& a, const Splice& b) { return a.begin > b.begin; });
  std::string out(text);
  for (const Splice& s : splices) out.replace(s.begin, s.end - s.begin, s.text);
  return out;
}

}  // namespace

LazarusProject::LazarusProject(const std::string& lpi_path)
    : LazarusProject(ReadWholeFile(FullPathName(lpi_path)), FullPathName(lpi_path)) {}

LazarusProject::LazarusProject(std::string_view bytes, const std::string& lpi_path)
    : file_name_(lpi_path), directory_(lpi_path.substr(0, lpi_path.rfind('/'))) {
  const XmlElement root = ParseXml(bytes, file_name_);
  const XmlElement& options = ProjectOptions(root, file_name_);

  std::vector<LazarusUnit> listed;
  int main_index = IntValue(options.Find({"General", "MainUnit"})).value_or(0);
  int index = -1;
  if (const XmlElement* units = options.Child("Units")) {
    for (const XmlElement& entry : units->children) {
      if (!ListEntryNumber(entry.name, "Unit")) continue;
      ++index;
      const std::string written = StringValue(entry, "Filename");
      if (written.empty() || !SameTextAscii(StringValue(entry, "IsPartOfProject"), "True"))
        continue;
      const std::string full = ProjectPath(written, directory_);
      LazarusUnit unit{FindIgnoringCase(full).value_or(full), StringValue(entry, "ComponentName"),
                       StringValue(entry, "UnitName")};
      // The main program whatever its extension; other files only when they are units
      // (a project may hold include files, documents, resources).
      const bool is_main = index == main_index;
      if (!is_main && !IsPascalSource(unit.file_name)) continue;
      if (std::any_of(listed.begin(), listed.end(),
                      [&](const LazarusUnit& u) { return u.file_name == unit.file_name; }))
        continue;
      if (is_main) {
        main_source_ = unit.file_name;
        listed.insert(listed.begin(), std::move(unit));
      } else {
        listed.push_back(std::move(unit));
      }
    }
  }
  units_ = std::move(listed);

  const XmlElement* paths = root.Find({"CompilerOptions", "SearchPaths", "OtherUnitFiles"});
  std::string_view rest;
  std::string value;
  if (paths != nullptr) value = paths->AttributeValue("Value").value_or("");
  rest = value;
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    std::string entry(rest.substr(0, semicolon));
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    const std::size_t first = entry.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    entry = entry.substr(first, entry.find_last_not_of(" \t") + 1 - first);
    for (std::size_t at; (at = entry.find("$(ProjPath)")) != std::string::npos;)
      entry.replace(at, 11, directory_ + "/");
    if (entry.find("$(") != std::string::npos) continue;
    std::string dir = ProjectPath(entry, directory_);
    if (std::find(search_path_.begin(), search_path_.end(), dir) == search_path_.end())
      search_path_.push_back(std::move(dir));
  }
}

std::string RequirePackage(std::string_view lpi, std::string_view package,
                           std::string_view file_name) {
  const XmlElement root = ParseXml(lpi, file_name);
  const XmlElement& options = ProjectOptions(root, file_name);
  const std::string nl = ProjectLineEnd(lpi);
  const XmlElement* required = options.Child("RequiredPackages");

  if (required != nullptr) {
    for (const XmlElement& item : required->children)
      if (SameTextAscii(StringValue(item, "PackageName"), package)) return std::string(lpi);
  }
  if (required != nullptr && !required->children.empty()) {
    const XmlElement& first = required->children.front();
    const XmlAttribute* count = required->Attribute("Count");
    if (count == nullptr && first.name == "Item") {
      const std::string indent = IndentAt(lpi, first.begin);
      return Apply(lpi, {{first.begin, first.begin,
                          PackageItem(package, indent, nl, "Item") + nl + indent}});
    }
    int last_number = 0;
    for (const XmlElement& item : required->children)
      last_number = std::max(last_number, ListEntryNumber(item.name, "Item").value_or(0));
    const XmlElement& last = required->children.back();
    const std::string indent = IndentAt(lpi, last.begin);
    const std::string tag = "Item" + std::to_string(last_number + 1);
    const std::string new_count = std::to_string(required->children.size() + 1);
    std::vector<Splice> splices{
        {last.end, last.end, nl + indent + PackageItem(package, indent, nl, tag)}};
    if (count != nullptr) {
      splices.push_back({count->value_begin, count->value_end, new_count});
    } else {
      const std::size_t after_name = required->begin + 1 + required->name.size();
      splices.push_back({after_name, after_name, " Count=\"" + new_count + "\""});
    }
    return Apply(lpi, std::move(splices));
  }

  const bool numbered = NumberedLists(options);
  if (required != nullptr) {  // an empty list: written anew
    return Apply(lpi,
                 {{required->begin, required->end,
                   NewRequiredPackages(package, numbered, IndentAt(lpi, required->begin), nl)}});
  }
  // No list yet: before the units, where the IDE writes it.
  if (const XmlElement* units = options.Child("Units")) {
    const std::string indent = IndentAt(lpi, units->begin);
    return Apply(lpi, {{units->begin, units->begin,
                        NewRequiredPackages(package, numbered, indent, nl) + nl + indent}});
  }
  if (!options.children.empty()) {
    const XmlElement& last = options.children.back();
    const std::string indent = IndentAt(lpi, last.begin);
    return Apply(lpi, {{last.end, last.end,
                        nl + indent + NewRequiredPackages(package, numbered, indent, nl)}});
  }
  if (options.IsEmptyTag())
    throw Error("Project file " + std::string(file_name) +
                " has an empty ProjectOptions element; open it in the IDE once to complete it");
  const std::string indent = IndentAt(lpi, options.begin) + std::string(kStep);
  return Apply(lpi, {{options.open_end, options.open_end,
                      nl + indent + NewRequiredPackages(package, numbered, indent, nl)}});
}

}  // namespace polyverb
