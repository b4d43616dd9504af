// Form texts: what a person reads on a form (captions, hints, titles, list items, the
// texts of collection items), stored in the language file's string table with a property
// group that says where each one belongs. The form files keep their designed texts; the
// run-time component sets the properties from the group.
//
// The group is named after the form's class; each item is a property path from the form,
// its value the string's number:
//   Caption                       the form's own property
//   lblTotal.Caption              a component's (any component the form owns, however deep)
//   edName.EditLabel.Caption      a nested object's, the name as the form file writes it
//   lbFruit.Items                 a string list (`Items.Strings = (...)`), lines joined by CR LF
//   StatusBar1.Panels[0].Text     a property of item 0 of a collection property
//   frmOptions1.lblTitle.Caption  a component inside the inline frame frmOptions1
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

class FormCatalog;
class FormFile;
class TvLangFileEdit;

// The names of the properties whose texts are stored: a name matches a string property
// of that name and a string list written as NAME.Strings, on the form, its components and
// the items of collection properties. Letter case is ignored.
class FormTextProps {
 public:
  // Caption, Hint, Title, Text, DisplayLabel, Filter, EditLabel.Caption, Items, Lines.
  static FormTextProps Default();

  // Applies a comma-separated list of changes: "+NAME" or "NAME" adds NAME, "-NAME"
  // removes it. Throws Error naming the entry when one is empty or NAME is not a dotted
  // identifier ("EditLabel.Caption").
  void Change(std::string_view changes);

  bool Contains(std::string_view name) const;
  const std::vector<std::string>& Names() const { return names_; }

 private:
  std::vector<std::string> names_;
};

struct FormTextItem {
  std::string path;
  std::string text;  // bytes as the form file holds them; #n character codes as UTF-8
};

struct FormTexts {
  std::string group;  // the form's class name
  // Non-empty texts with a byte of 65 or above (as for literals), in the order of the form
  // files: the ancestors' texts first, where the form's own value replaces an inherited one.
  std::vector<FormTextItem> items;
  // What was left out and why ("Main.dfm: TfrmMain: the path ... is longer than ...").
  std::vector<std::string> warnings;
};

// The texts of a form read from `levels`: the form files of its ancestors, the root-most
// first, then its own (one file for a form that inherits nothing). `formName` words the
// warnings. An item whose path, or a group whose name, is longer than 255 bytes (what a
// language file holds) is left out with a warning.
FormTexts CollectFormTexts(std::span<const FormFile* const> levels, const FormTextProps& props,
                           std::string_view form_name);

// What StoreFormTexts did to one item.
struct FormTextChange {
  enum class Kind { kAdded, kChanged, kKept, kRemoved };
  Kind kind = Kind::kAdded;
  std::string path;
  std::string text;  // the text stored (kRemoved: empty)
  std::uint16_t number = 0;
};

struct FormTextUpdate {
  std::string group;
  // The texts in the order of FormTexts::items, then the items taken out of the group.
  std::vector<FormTextChange> changes;
  std::vector<std::string> warnings;  // FormTexts::warnings
  int Count(FormTextChange::Kind kind) const;
};

// Stores `texts` in `file`'s string table and group, reusing what an earlier run stored:
//  - an item the group holds keeps its number; when its entry's text differs, the entry
//    takes the new text (the designer changed it);
//  - a new path gets a new entry numbered from one above the largest number in the table,
//    in the order of `texts` (as does an item whose number the table lacks);
//  - an item whose path is no longer among the texts leaves the group, its entry stays
//    (translations are keyed by number, so a number is never reused).
// Nothing is saved. Throws Error (naming `formName`) before changing anything when the
// new numbers would pass 65535.
FormTextUpdate StoreFormTexts(TvLangFileEdit& file, const FormTexts& texts,
                              std::string_view form_name);

// The texts of the form file at `formPath` and of its ancestors (found in `catalog`).
// Throws what reading them throws.
FormTexts ReadFormTexts(const std::string& form_path, const FormCatalog& catalog,
                        const FormTextProps& props);

// One module's form texts from end to end: reads the language file `langName` names
// (MakeLangFileName; created empty when missing), stores the texts of the form file at
// `formPath` (ReadFormTexts, StoreFormTexts) and saves the language file. A failure
// before the save changes no file.
FormTextUpdate ProcessFormFile(const std::string& form_path, const std::string& lang_name,
                               const FormCatalog& catalog, const FormTextProps& props);

}  // namespace polyverb
