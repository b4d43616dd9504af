// Text form files (.dfm): read into a tree of objects and properties and written back.
//
//   object Form1: TForm1          an object: `object`, `inherited` or `inline`,
//     Caption = 'It''s'#13#10 +     [name ':'] class ['[' n ']'], properties, child objects,
//       'next line'                 then `end`
//     Font.Name = 'Arial'          dotted property names
//     Anchors = [akLeft, akTop]    sets
//     Data = {0A0B...}             binary data, hex digits over any number of lines
//     Items = <item Caption = 'a' end>   collections; `item [n]` carries an ordinal
//     Lines.Strings = ('a' 'b')    lists of values
//     object Button1: TButton ... end
//   end
//
// Round trip: every property line, object header and `end` line keeps its original text
// (the blank space before it, its tokens, the blanks and line end after it), so writing an
// unchanged form gives back the same bytes. Only what a caller changes is generated, in the
// file's own line end (the first one in the file; CR LF for a file without any).
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

class FormProperty;

struct FormCollectionItem {
  std::optional<std::string> index;  // the ordinal of `item [n]`, as written
  std::vector<FormProperty> properties;
};

enum class FormValueKind {
  kInteger,
  kFloat,
  kString,
  kIdentifier,
  kSet,
  kBinary,
  kCollection,
  kList
};

struct FormValue {
  FormValueKind kind = FormValueKind::kIdentifier;
  // Integer, Float, Identifier: as written ("-12", "1.5E3", "Form1.DataSource1").
  // String: the decoded text: quoted bytes as they stand, each #n as the UTF-8 encoding of
  // code point n (a UTF-16 surrogate pair of codes as one code point); in a .lfm always
  // UTF-8 (see FormFileKind). Binary: the hex digits as written, blanks and line ends
  // left out.
  std::string text;
  std::vector<std::string> elements;           // Set: the elements as written
  std::vector<FormValue> items;                // List
  std::vector<FormCollectionItem> collection;  // Collection
};

// Delphi's form files (.dfm) and Lazarus' (.lfm). They share the grammar; in a .lfm the
// strings are UTF-8: new ones are written as UTF-8 literals, as the Lazarus IDE writes
// them, and a run of #n codes that spells UTF-8 byte by byte (as Free Pascal's converter
// writes it) is read as those bytes.
enum class FormFileKind { kDfm, kLfm };

// kLfm for a name with the extension .lfm (any letter case), else kDfm.
FormFileKind FormFileKindOf(std::string_view file_name);

// The text a string value is written as: printable ASCII inside quotes (a quote doubled),
// every control character and non-ASCII character as #n, n its Unicode code point (UTF-16
// surrogate pairs above U+FFFF); in a .lfm every character but the control characters
// inside quotes, as UTF-8. `value` is decoded as UTF-8 when it is valid UTF-8 and as
// Windows-1252 otherwise. "" gives ''.
std::string QuoteFormString(std::string_view value, FormFileKind kind = FormFileKind::kDfm);

// The original text of one line-like piece of a form file; see the file comment.
struct FormText {
  std::string lead;        // blanks and line ends before the first token
  std::string core;        // first token to last token
  std::string tail;        // blanks and one line end after the last token, when the line ends there
  bool generated = false;  // core is new: written from the current values
  bool fresh = false;      // a new piece: lead is its indentation, written on a line of its own
};

class FormProperty {
 public:
  FormProperty(std::string name, FormValue value)
      : name_(std::move(name)), value_(std::move(value)) {}
  const std::string& Name() const { return name_; }
  const FormValue& Value() const { return value_; }

 private:
  friend class FormObject;
  friend class FormFile;
  friend class FormParser;
  friend class FormWriter;
  std::string name_;
  FormValue value_;
  FormText text_;
};

enum class FormObjectKind { kObject, kInherited, kInline };

class FormObject {
 public:
  FormObject(FormObjectKind kind, std::string name, std::string class_name)
      : kind_(kind), name_(std::move(name)), class_name_(std::move(class_name)) {}

  FormObjectKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }  // empty for an object without a name
  const std::string& ClassName() const { return class_name_; }
  const std::optional<std::string>& Index() const { return index_; }  // `[n]` after the class
  const std::vector<FormProperty>& Properties() const { return properties_; }
  // Child objects in file order. The objects stay at their addresses while the tree lives.
  std::span<const std::unique_ptr<FormObject>> Children() const { return children_; }
  // True for an object that CreateComponent added.
  bool IsNew() const { return header_.generated; }

  // The property called `name` (ASCII letters compared without regard to case), or null.
  const FormProperty* FindProperty(std::string_view name) const;
  // The decoded text of string property `name`; nullopt when it is missing or no string.
  std::optional<std::string> StringProperty(std::string_view name) const;

  // Sets string property `name` to `value` (bytes, see QuoteFormString). An existing
  // property keeps its place and the text around it; a new one goes before a trailing run
  // of `Left`/`Top` properties (a non-visual component's position comes after its
  // published properties), else after the last property.
  void SetStringProperty(std::string_view name, std::string_view value);

 private:
  friend class FormFile;
  friend class FormParser;
  friend class FormWriter;
  void SetProperty(std::string_view name, FormValue value);
  void AppendNewProperty(std::string_view name, FormValue value);
  std::string ChildIndent() const;

  FormObjectKind kind_;
  std::string name_;
  std::string class_name_;
  std::optional<std::string> index_;
  std::vector<FormProperty> properties_;
  std::vector<std::unique_ptr<FormObject>> children_;
  FormText header_;
  FormText end_;
  std::string indent_;  // the indentation of the header line
};

class FormFile {
 public:
  // Parses the bytes of a text form file; `fileName` words errors, and its extension
  // says which kind of form file it is (FormFileKindOf). Throws Error:
  //  "Form file NAME is a binary form file; only text form files can be read"
  //  "Form file NAME, line N: WHAT" for a text that does not parse.
  static FormFile Parse(std::string_view bytes, std::string_view file_name);
  // Reads and parses the file at `path`. Throws "Cannot open file PATH" and Parse's errors.
  static FormFile Read(const std::string& path);

  FormObject& Root() { return *root_; }
  const FormObject& Root() const { return *root_; }
  const std::string& LineEnd() const { return line_end_; }
  FormFileKind Kind() const { return kind_; }

  // The components the form owns: every object below the root in file order, nested
  // ones included, except the objects inside an `inline` frame (the frame owns them).
  std::vector<FormObject*> Components();
  std::vector<const FormObject*> Components() const;
  // The objects CreateComponent added, in the order they were added.
  std::vector<const FormObject*> NewComponents() const;

  // Adds `object NAME: CLASS` with `Left` and `Top` at the end of the root's objects,
  // indented two spaces deeper than the root. NAME is the class name without a leading
  // "T" followed by the first number from 1 that makes it unique among all object names
  // in the file (letter case ignored): TvMLang gives vMLang1, vMLang2, ... Throws Error
  // when `className` is not an identifier.
  FormObject& CreateComponent(std::string_view class_name, int left, int top);

  // True when anything was set or created since the file was parsed.
  bool Modified() const;
  // The file's text: the original bytes for everything unchanged.
  std::string Write() const;
  // Writes Write() to `path` atomically (platform ReplaceFile).
  void Save(const std::string& path) const;

 private:
  FormFile() = default;
  friend class FormParser;
  std::unique_ptr<FormObject> root_;
  std::string trailer_;  // blank space after the root's `end` line
  std::string line_end_;
  FormFileKind kind_ = FormFileKind::kDfm;
};

// The form file of the unit at `unitPath`: the same name with the extension .dfm (for
// kLfm: .lfm, else .dfm) in any letter case, when such a file exists; nullopt otherwise.
std::optional<std::string> FindFormFile(const std::string& unit_path,
                                        FormFileKind kind = FormFileKind::kDfm);

}  // namespace polyverb
