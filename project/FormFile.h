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
//
// Binary form files (BinaryFormFormat.h) are read into the same tree. Each value keeps the
// value type it was stored with, so writing an unchanged binary form gives back the same
// bytes too; what a caller adds is stored as the form designer stores it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace polyverb {

class FormProperty;

struct FormCollectionItem {
  std::optional<std::string> index;  // the ordinal of `item [n]`, as written
  // Binary form files: the integer value type the ordinal was stored with.
  std::optional<std::uint8_t> index_type;
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
  // Binary form files: the value type byte the value was read with (dfm::ValueType), which
  // the writer uses again; empty for a value read from a text form or made by a caller
  // (the writer then picks the type a designer would). Binary numbers that are no integers
  // keep their stored bytes in `raw`; `text` is then only a decimal rendering for people.
  // Binary strings: `text` holds a String's or LString's bytes as stored, a WString
  // as UTF-8 (a lone surrogate as its 3-byte form, so that it writes back).
  std::optional<std::uint8_t> binary_type;
  std::string raw;
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
  friend class BinaryFormReader;
  std::string name_;
  FormValue value_;
  FormText text_;
};

enum class FormObjectKind { kObject, kInherited, kInline };

// How a form file is stored.
enum class FormFormat {
  kText,      // the text form
  kBinary,    // the binary stream alone, from its signature "TPF0" on
  kResource,  // the binary stream behind a 16-bit resource header, as a designer saves it
};

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
  friend class BinaryFormReader;
  friend class BinaryFormWriter;
  void SetProperty(std::string_view name, FormValue value);
  void AppendNewProperty(std::string_view name, FormValue value);
  std::string ChildIndent() const;
  FormObject& AddChild(FormObjectKind kind, std::string name, std::string class_name);

  FormObjectKind kind_;
  std::string name_;
  std::string class_name_;
  std::optional<std::string> index_;
  // Binary form files: the filer flags byte ($F0 and the flags) as read, and the integer
  // value type of the child position.
  std::optional<std::uint8_t> filer_flags_;
  std::optional<std::uint8_t> index_type_;
  std::vector<FormProperty> properties_;
  std::vector<std::unique_ptr<FormObject>> children_;
  FormText header_;
  FormText end_;
  std::string indent_;  // the indentation of the header line
};

class FormFile {
 public:
  // Parses the bytes of a form file, text or binary (by its first bytes: "TPF0" or a
  // resource header); `fileName` words errors, and its extension says which kind of form
  // file it is (FormFileKindOf: .dfm or .lfm). Throws Error:
  //  "Form file NAME, line N: WHAT" for a text that does not parse;
  //  "Form file NAME, offset N: WHAT" for binary data that does not.
  static FormFile Parse(std::string_view bytes, std::string_view file_name);
  // Reads and parses the file at `path`. Throws "Cannot open file PATH" and Parse's errors.
  static FormFile Read(const std::string& path);

  FormObject& Root() { return *root_; }
  const FormObject& Root() const { return *root_; }
  const std::string& LineEnd() const { return line_end_; }
  FormFileKind Kind() const { return kind_; }
  FormFormat Format() const { return format_; }

  // The components the form owns: every object below the root in file order, nested
  // ones included, except the objects inside an `inline` frame (the frame owns them).
  std::vector<FormObject*> Components();
  std::vector<const FormObject*> Components() const;
  // The objects CreateComponent added, in the order they were added.
  std::vector<const FormObject*> NewComponents() const;

  // Adds `object NAME: CLASS` with `Left` and `Top` at the end of the root's objects,
  // indented two spaces deeper than the root. NAME is the class name without a leading
  // "T" followed by the first number from 1 that makes it unique among all object names
  // in the file and in `alsoTaken` (letter case ignored): TvMLang gives vMLang1, vMLang2,
  // ... `alsoTaken` holds the names of forms the component will share a form with (the
  // form's ancestors and descendants). Throws Error when `className` is not an identifier.
  FormObject& CreateComponent(std::string_view class_name, int left, int top,
                              std::span<const std::string> also_taken = {});

  // The object that stands for a component this form inherits, for setting its
  // properties: `inherited NAME: CLASS` inside the `inherited` objects of `parents` (the
  // names of the objects that hold it in the ancestor, outermost first), each found or
  // added at the end of its holder's objects. Throws Error when an object on the way has
  // another kind or class than it has in the ancestor.
  FormObject& InheritedObject(std::span<const std::pair<std::string, std::string>> parents,
                              std::string_view name, std::string_view class_name);

  // True when anything was set or created since the file was parsed.
  bool Modified() const;
  // The file's bytes in its own format: the original bytes for everything unchanged.
  // Throws Error when a binary form cannot hold what was set (a name over 255 bytes).
  std::string Write() const;
  // Writes Write() to `path` atomically (platform ReplaceFile).
  void Save(const std::string& path) const;

 private:
  FormFile() = default;
  friend class FormParser;
  friend class BinaryFormReader;
  friend class BinaryFormWriter;
  std::unique_ptr<FormObject> root_;
  std::string trailer_;  // blank space after the root's `end` line
  std::string line_end_;
  FormFileKind kind_ = FormFileKind::kDfm;
  FormFormat format_ = FormFormat::kText;
  // kResource: the resource name field as read (the class name upper-cased and its zero
  // byte, or $FF and a 16-bit ordinal) and the memory flags.
  std::string resource_name_;
  std::uint16_t resource_flags_ = 0;
};

// The form file of the unit at `unitPath`: the same name with the extension .dfm (for
// kLfm: .lfm, else .dfm) in any letter case, when such a file exists; nullopt otherwise.
std::optional<std::string> FindFormFile(const std::string& unit_path,
                                        FormFileKind kind = FormFileKind::kDfm);
// The form file of either kind, for code that does not know the project's: .dfm first,
// then .lfm.
std::optional<std::string> FindAnyFormFile(const std::string& unit_path);

}  // namespace polyverb
