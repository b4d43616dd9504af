// Where a string literal stands in its source, as the suggestion rules read it: the calls
// it is an argument of, the assignment it is the value of, its neighbouring tokens, and
// facts about the file around it (a unit test, a debug-only block, the routine).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "source/LiteralList.h"

namespace polyverb {

// A call the literal is (part of) an argument of.
struct TCallPlace {
  std::string name;       // as written, qualifiers joined by "." ("Application.MessageBox")
  int argument = 0;       // 0-based index of the argument that holds the literal
  std::string first_arg;  // argument 0 when it is one plain word, lower-cased ("f" in
                          // WriteLn(F, ...)); empty otherwise
};

struct TLiteralContext {
  std::string_view text;          // the literal's value: quotes removed, '' reduced to '
  std::vector<TCallPlace> calls;  // the enclosing calls, innermost first
  std::string target;             // the assignment's target as written ("lblTotal.Caption")
  std::string indexed;            // the name indexed by the literal: "Values" in Values['x']
  bool in_brackets = false;       // an element of a set or array constructor: ['a', 'b']
  bool compared = false;          // an operand of = or <>
  bool case_label = false;        // 'q': in a case statement
  bool range = false;             // next to "..": 'a'..'z'
  bool raised = false;            // in a raise statement
  bool joined = false;            // joined by + to another operand
  bool width = false;             // followed by a write width: 'Name':10
  bool debug_block = false;       // inside {$IFDEF DEBUG} and the like
  bool test_code = false;         // the file uses a unit test framework
  std::string routine;            // the routine it stands in, as written ("TForm1.Save")
  std::string_view next_literal;  // the next argument when it is a literal, as written
                                  // between its quotes: 'kwd' in Add('Keywords', 'kwd')
};

// The context of every entry of Strings, in the same order. An entry that names no
// string token of Lines (its line and StartPos) gets a context with its text alone.
// REQUIRES: Strings outlives the result (the contexts view its texts).
std::vector<TLiteralContext> LiteralContexts(std::span<const std::string_view> lines,
                                             const TLangStrings& strings);

// The words of an identifier, lower-cased: "CWriteLnWarning" gives c, write, ln,
// warning; "glext_ExtensionSupported" gives glext, extension, supported. A run of
// capitals stays one word ("HTMLFile" gives html, file).
std::vector<std::string> NameParts(std::string_view name);

}  // namespace polyverb
