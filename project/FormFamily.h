// Inherited forms. A form file whose root object is `inherited` belongs to a class that
// derives from another form class: its file holds only what differs, and the components
// it inherits (with their texts) are in the form files of its ancestors. An ancestor is
// found through the unit that declares the form's class (its parent class) and the form
// file, among the project's, whose root has that class.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "project/FormFile.h"

namespace polyverb {

// One form file of a catalog, by the class of its root object.
struct CatalogForm {
  std::string unit_path;
  std::string form_path;
  std::string class_name;
  bool inherits = false;  // the root is `inherited`
};

// The forms a form can inherit from or pass its components on to: the project's.
class FormCatalog {
 public:
  // `units`: the project's files (full names, as ProjectFile::Files gives them); the
  // Pascal units among them with a form file beside them count, each once. A form file
  // that cannot be read is passed over here (whoever converts that module reports it).
  explicit FormCatalog(std::span<const std::string> units);
  // The Pascal units in `directory` (full names, sorted): a form's neighbours, which join
  // the project's units, or stand for them for form files given without a project.
  static std::vector<std::string> UnitsIn(const std::string& directory);

  const std::vector<CatalogForm>& Forms() const { return forms_; }

  // The form files `form` (read from `formPath`) inherits from, read from disk now, the
  // root-most first; none when its root is not `inherited`. Throws Error naming `formPath`
  // when the class's parent cannot be read from its unit, when no form of the catalog has
  // the parent class, when the chain of ancestors loops, or when an ancestor's form file
  // cannot be read.
  std::vector<FormFile> Ancestors(const std::string& form_path, const FormFile& form) const;

  // The names of all objects in the form files of the catalog's forms that derive from
  // `className`, directly or not (names a new component of that class must not take).
  // Forms whose chain cannot be followed are passed over.
  std::vector<std::string> DescendantNames(std::string_view class_name) const;

 private:
  void Add(const std::string& unit_path);
  // The parent class of the catalog form `form`'s class; nullopt when its unit does not say.
  std::optional<std::string> ParentOf(const std::string& unit_path,
                                      std::string_view class_name) const;
  const CatalogForm* FindClass(std::string_view class_name) const;

  std::vector<CatalogForm> forms_;
};

// The form files of a form and its ancestors, the root-most first and the form's own last.
std::vector<const FormFile*> FormLevels(const std::vector<FormFile>& ancestors,
                                        const FormFile& form);

// A component a form inherits from its ancestors.
struct InheritedComponent {
  std::string name;
  std::string class_name;
  // The objects that hold it in the ancestor, outermost first: (name, class).
  std::vector<std::pair<std::string, std::string>> holders;
};

// The components the form owns through `ancestors` (the root-most first), in the order
// the ancestors declare them, each once; objects inside an inline frame belong to the
// frame and are left out, as FormFile::Components leaves them out.
std::vector<InheritedComponent> InheritedComponents(std::span<const FormFile* const> ancestors);

// Every object name in `form` (letter case as written), the root's included.
std::vector<std::string> ObjectNames(const FormFile& form);

}  // namespace polyverb
