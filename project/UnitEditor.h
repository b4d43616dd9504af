// What the IDE does to a form's unit when the form gained components and is saved: it
// declares a field for each new component in the form's class, and adds the unit that
// declares the component class to the interface uses clause. The source is read with the
// Pascal scanner's token positions; comments and conditional directives are read from the
// gaps between tokens, so neither a comment nor an {$IFDEF} block fools the edit. Every
// byte outside the inserted text stays as it was.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace polyverb {

// The run-time unit that declares TvMLang.
inline constexpr std::string_view kRunTimeUnit = "vMLang";

struct ComponentField {
  std::string name;        // vMLang1
  std::string class_name;  // TvMLang
};

// Declares each of `fields` not yet declared in class `className` of `source` (names
// compared without regard to ASCII case), as the line `    NAME: CLASS;` with the
// indentation of the class's last field. The fields go after the last field of the
// class's first section (before the first visibility keyword, method or property), and
// outside any conditional block that field sits in; in a class without fields, right
// after the class heading. Line ends are the source's own (the first one in it; CR LF
// when it has none). Throws Error "Unit file NAME: ..." when the class is not declared
// or not closed.
std::string AddClassFields(std::string_view source, std::string_view file_name,
                           std::string_view class_name, std::span<const ComponentField> fields);

// Adds `unitName` to the interface uses clause of `source` when it is not there: as the
// last entry (`..., Dialogs, vMLang;`), on a line of its own when the line would grow past
// 80 columns; a clause is created after `interface` (`uses vMLang;`) when the unit has
// none. A unit listed in the implementation uses clause moves to the interface clause (a
// unit may not be listed in both). Throws Error "Unit file NAME: ..." when the source has
// no interface section or a uses clause does not parse.
std::string AddInterfaceUses(std::string_view source, std::string_view file_name,
                             std::string_view unit_name);

// The class that class `className` of `source` derives from, as the declaration
// `TName = class(TParent, ...)` writes it (a dotted name's last part: Vcl.Forms.TForm gives
// TForm). nullopt when the unit declares no such class or declares it without a parent.
// Names are compared without regard to ASCII case; `fileName` words errors of the scanner.
std::optional<std::string> FindClassParent(std::string_view source, std::string_view file_name,
                                           std::string_view class_name);

// Both edits on the unit file at `path`, written back through ReplaceFile (atomic) when
// anything changed; returns whether it wrote. Nothing is written when an edit fails.
bool UpdateFormUnit(const std::string& path, std::string_view class_name,
                    std::span<const ComponentField> fields,
                    std::string_view unit_name = kRunTimeUnit);

}  // namespace polyverb
