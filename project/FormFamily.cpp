#include "project/FormFamily.h"

#include <algorithm>
#include <filesystem>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "project/ProjectFile.h"
#include "project/UnitEditor.h"

namespace polyverb {
namespace {

// Deeper than any real hierarchy; stops a chain that loops through names differing in case.
constexpr int kMaxAncestors = 64;

bool IsPascalUnit(const std::string& path) {
  const std::filesystem::path p(path);
  return SameTextAscii(p.extension().string(), ".pas");
}

}  // namespace

FormCatalog::FormCatalog(std::span<const std::string> units) {
  for (const std::string& unit : units)
    if (IsPascalUnit(unit)) Add(unit);
}

std::vector<std::string> FormCatalog::UnitsIn(const std::string& directory) {
  std::vector<std::string> units;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(directory, ec))
    if (entry.is_regular_file(ec) && IsPascalUnit(entry.path().string()))
      units.push_back(FullPathName(entry.path().string()));
  std::sort(units.begin(), units.end());
  return units;
}

void FormCatalog::Add(const std::string& unit_path) {
  for (const CatalogForm& known : forms_)
    if (known.unit_path == unit_path) return;
  const std::optional<std::string> form_path = FindAnyFormFile(unit_path);
  if (!form_path) return;
  try {
    const FormFile form = FormFile::Read(*form_path);
    forms_.push_back({unit_path, *form_path, form.Root().ClassName(),
                      form.Root().Kind() == FormObjectKind::kInherited});
  } catch (const Error&) {
    // Not a form this catalog can offer; converting that module reports why.
  }
}

const CatalogForm* FormCatalog::FindClass(std::string_view class_name) const {
  for (const CatalogForm& form : forms_)
    if (SameTextAscii(form.class_name, class_name)) return &form;
  return nullptr;
}

std::optional<std::string> FormCatalog::ParentOf(const std::string& unit_path,
                                                 std::string_view class_name) const {
  return FindClassParent(ReadWholeFile(unit_path), unit_path, class_name);
}

std::vector<FormFile> FormCatalog::Ancestors(const std::string& form_path,
                                             const FormFile& form) const {
  std::vector<FormFile> chain;
  if (form.Root().Kind() != FormObjectKind::kInherited) return chain;
  // The form's unit: the catalog's, or the .pas beside the form file.
  std::string unit_path;
  for (const CatalogForm& known : forms_)
    if (known.form_path == form_path) unit_path = known.unit_path;
  if (unit_path.empty()) {
    const std::string stem = form_path.substr(0, form_path.rfind('.'));
    unit_path = FindIgnoringCase(FullPathName(stem + ".pas")).value_or(stem + ".pas");
  }
  const std::string head = "Form file " + form_path + " is an inherited form";
  std::string class_name = form.Root().ClassName();
  for (int depth = 0;; ++depth) {
    std::optional<std::string> parent;
    try {
      parent = ParentOf(unit_path, class_name);
    } catch (const Error& e) {
      throw Error(head + ", but " + e.what());
    }
    if (!parent)
      throw Error(head + ", but unit " + unit_path + " declares no class " + class_name +
                  " with a parent class");
    const CatalogForm* ancestor = FindClass(*parent);
    if (ancestor == nullptr)
      throw Error(head + " (" + class_name + " derives from " + *parent +
                  "), but no form file of the project has the class " + *parent);
    if (depth >= kMaxAncestors || SameTextAscii(*parent, form.Root().ClassName()) ||
        std::any_of(chain.begin(), chain.end(), [&](const FormFile& f) {
          return SameTextAscii(f.Root().ClassName(), *parent);
        }))
      throw Error(head + " whose ancestors loop at class " + *parent);
    try {
      chain.push_back(FormFile::Read(ancestor->form_path));
    } catch (const Error& e) {
      throw Error(head + ", but its ancestor cannot be read: " + e.what());
    }
    if (chain.back().Root().Kind() != FormObjectKind::kInherited) break;
    unit_path = ancestor->unit_path;
    class_name = ancestor->class_name;
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

std::vector<std::string> FormCatalog::DescendantNames(std::string_view class_name) const {
  std::vector<std::string> names;
  for (const CatalogForm& form : forms_) {
    if (!form.inherits) continue;
    try {
      // Up the chain of classes: does it pass through className?
      const CatalogForm* at = &form;
      bool descends = false;
      for (int depth = 0; at != nullptr && at->inherits && depth < kMaxAncestors; ++depth) {
        const std::optional<std::string> parent = ParentOf(at->unit_path, at->class_name);
        if (!parent) break;
        if (SameTextAscii(*parent, class_name)) {
          descends = true;
          break;
        }
        at = FindClass(*parent);
      }
      if (!descends) continue;
      const std::vector<std::string> own = ObjectNames(FormFile::Read(form.form_path));
      names.insert(names.end(), own.begin(), own.end());
    } catch (const Error&) {
      // A unit or form that cannot be read shares no names that could be checked.
    }
  }
  return names;
}

std::vector<const FormFile*> FormLevels(const std::vector<FormFile>& ancestors,
                                        const FormFile& form) {
  std::vector<const FormFile*> levels;
  for (const FormFile& ancestor : ancestors) levels.push_back(&ancestor);
  levels.push_back(&form);
  return levels;
}

std::vector<InheritedComponent> InheritedComponents(std::span<const FormFile* const> ancestors) {
  std::vector<InheritedComponent> components;
  std::vector<std::string> frames;  // names of inline frames: what they hold is theirs
  auto known = [](const std::vector<std::string>& list, std::string_view name) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& n) { return SameTextAscii(n, name); });
  };
  auto walk = [&](auto& self, const FormObject& holder,
                  std::vector<std::pair<std::string, std::string>>& holders) -> void {
    for (const auto& child : holder.Children()) {
      if (child->Name().empty()) continue;
      const bool seen = std::any_of(components.begin(), components.end(), [&](const auto& c) {
        return SameTextAscii(c.name, child->Name());
      });
      if (!seen) components.push_back({child->Name(), child->ClassName(), holders});
      if (child->Kind() == FormObjectKind::kInline) frames.push_back(child->Name());
      if (known(frames, child->Name())) continue;
      holders.emplace_back(child->Name(), child->ClassName());
      self(self, *child, holders);
      holders.pop_back();
    }
  };
  for (const FormFile* ancestor : ancestors) {
    std::vector<std::pair<std::string, std::string>> holders;
    walk(walk, ancestor->Root(), holders);
  }
  return components;
}

std::vector<std::string> ObjectNames(const FormFile& form) {
  std::vector<std::string> names;
  auto walk = [&](auto& self, const FormObject& object) -> void {
    if (!object.Name().empty()) names.push_back(object.Name());
    for (const auto& child : object.Children()) self(self, *child);
  };
  walk(walk, form.Root());
  return names;
}

}  // namespace polyverb
