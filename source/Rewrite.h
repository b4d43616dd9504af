// The pieces of source rewriting that hold no state: how a marked literal's replacement
// is spelled, how numbers are handed out, and how lines are written back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace polyverb {

class TvLangFileEdit;

// Where a literal touches a character code of the same string constant: a "#13" or
// "#$0D" code, or a control character such as "^M", with nothing between. Pascal joins
// such pieces into one constant; a call put in the literal's place cannot join them, so
// the replacement takes a "+" on each touching side.
struct TGlue {
  bool before = false;  // a code ends right before the opening quote
  bool after = false;   // a code starts right after the closing quote
  bool operator==(const TGlue&) const = default;
};

// The glue of the literal in columns StartPos to NextPos - 1 of Line (the line as read).
// A "^" that may dereference a pointer (after an identifier character, ")", "]" or
// another "^", as in p^['k']) is no character code.
TGlue GlueAt(std::string_view line, std::int32_t start_pos, std::int32_t next_pos);

// "GetLangStr(" + Number in decimal + ")", then `annotation` (empty, or Annotation of the
// text), with "+" on each glued side.
std::string Replacement(std::uint16_t number, TGlue glue, std::string_view annotation = {});

// The comment --annotate writes after a call: a blank and the literal's text in braces,
// " {data/world.ini}". The text is cut at 40 characters (UTF-8 sequences count as one
// when the text is valid UTF-8); "{", "}", "(*" and "*)" become "?" (Free Pascal nests
// brace comments in some modes), so do control characters (a line end would split the
// line); a leading "$" gets a blank before it, else the comment would be a directive.
std::string Annotation(std::string_view text);

// ---- What the sound rules add to the rewrite ----
//
// A marked literal is replaced as above. Besides:
//  - an argument of a routine that takes a PChar (IsPCharRoutine) made of string constants
//    alone (literals and character codes, joined directly or with "+") gets kPCharOpen
//    before its first piece and kPCharClose after its last when one of its literals is
//    replaced: MessageBox(0, 'Won', 'Info', 0) becomes
//    MessageBox(0, PChar(GetLangStr(1)), PChar(GetLangStr(2)), 0);
//  - a literal that spans lines is replaced whole, from its opening quotes to its closing
//    ones, by the one call;
//  - a file that now calls GetLangStr and uses neither kRunTimeUnits entry gets
//    kRunTimeUsesEntry right after the word "uses" of its clause (RunTimeUsesEdit).
inline constexpr std::string_view kPCharOpen = "PChar(";
inline constexpr std::string_view kPCharClose = ")";

// The routines known to take PChar arguments, lower case. One list: extraction, rewriting
// and restoring read it.
inline constexpr std::string_view kPCharRoutines[] = {"messagebox",
                                                      "messageboxa",
                                                      "messageboxw",
                                                      "messageboxex",
                                                      "messageboxexa",
                                                      "messageboxexw",
                                                      "shellexecute",
                                                      "shellexecutea",
                                                      "shellexecutew",
                                                      "winexec",
                                                      "winhelp",
                                                      "winhelpa",
                                                      "winhelpw",
                                                      "htmlhelp",
                                                      "htmlhelpa",
                                                      "htmlhelpw",
                                                      "setwindowtext",
                                                      "setwindowtexta",
                                                      "setwindowtextw",
                                                      "setdlgitemtext",
                                                      "setdlgitemtexta",
                                                      "setdlgitemtextw",
                                                      "findwindow",
                                                      "findwindowa",
                                                      "findwindoww",
                                                      "outputdebugstring",
                                                      "outputdebugstringa",
                                                      "outputdebugstringw",
                                                      "drawtext",
                                                      "drawtexta",
                                                      "drawtextw",
                                                      "textout",
                                                      "textouta",
                                                      "textoutw",
                                                      "loadlibrary",
                                                      "loadlibrarya",
                                                      "loadlibraryw",
                                                      "getmodulehandle",
                                                      "getmodulehandlea",
                                                      "getmodulehandlew",
                                                      "getprocaddress",
                                                      "strpas"};

// True when `name` (any letter case) is in kPCharRoutines.
bool IsPCharRoutine(std::string_view name);

// The number a new entry of File starts at: one above the largest number the table holds
// (for a table in ascending order that is LastNumber + 1). 65536 when 65535 is taken.
int FirstFreeNumber(const TvLangFileEdit& file);

// Throws an Error when `Marked` new entries of File numbered from `First` on would pass
// 65535, or would make the table hold more than 65535 entries. SourceName words the
// message. Nothing marked never fails.
void CheckNumbering(const TvLangFileEdit& file, int first, int marked,
                    std::string_view source_name);

// The text of a source file with these lines: every line, the last one included, followed
// by CR LF.
std::string JoinLinesCrLf(std::span<const std::string> lines);

}  // namespace polyverb
