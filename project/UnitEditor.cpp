#include "project/UnitEditor.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "source/Scanner.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

constexpr std::size_t kUsesLineLimit = 80;

// A token of the scanner, or a comment between tokens. Positions as the scanner gives
// them: 0-based line, 1-based column; `endLine`/`endCol` is the place just past the item.
struct Item {
  enum class Type { kToken, kComment } type = Type::kToken;
  TTokenKind kind = tkUnknown;
  std::string text;  // token: the scanner's text; directive comment: its name, upper case
  bool directive = false;
  std::int32_t line = 0, col = 1, end_line = 0, end_col = 1;
  int depth = 0;  // conditional blocks open before the item
};

// The source's tokens and the comments between them, in order, with the depth of
// conditional blocks ({$IF...} ... {$ENDIF}) at each.
class UnitScan {
 public:
  UnitScan(std::string_view source, std::string_view file_name)
      : text_(std::string(source), file_name), name_(file_name) {
    const auto lines = text_.Lines();
    TvScanner scanner(lines);
    std::int32_t line = 0, col = 1;
    int depth = 0;
    for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) {
      ScanGap(line, col, scanner.LineIndex(), scanner.TokenPos(), depth);
      Item item;
      item.kind = scanner.Kind();
      item.text = std::string(scanner.Token());
      item.line = item.end_line = scanner.LineIndex();
      item.col = scanner.TokenPos();
      // An unterminated literal's NextPos lies one past the line's end.
      item.end_col = std::min<std::int32_t>(scanner.NextPos(), LineLength(item.line) + 1);
      item.depth = depth;
      tokens_.push_back(items_.size());
      items_.push_back(std::move(item));
      line = scanner.LineIndex();
      col = scanner.NextPos();
    }
    ScanGap(line, col, static_cast<std::int32_t>(lines.size()), 1, depth);
  }

  const std::vector<Item>& Items() const { return items_; }
  // Indices into items() of the tokens.
  const std::vector<std::size_t>& Tokens() const { return tokens_; }
  const Item& Token(std::size_t t) const { return items_[tokens_[t]]; }
  bool IsWord(std::size_t t, std::string_view lower) const {
    return t < tokens_.size() && Token(t).kind == tkIdentifier && Token(t).text == lower;
  }
  bool IsSymbol(std::size_t t, std::string_view symbol) const {
    return t < tokens_.size() && Token(t).kind == tkSymbol && Token(t).text == symbol;
  }

  std::size_t Offset(std::int32_t line, std::int32_t col) const {
    const auto lines = text_.Lines();
    if (static_cast<std::size_t>(line) >= lines.size()) return text_.Bytes().size();
    return static_cast<std::size_t>(lines[static_cast<std::size_t>(line)].data() -
                                    text_.Bytes().data()) +
           static_cast<std::size_t>(col - 1);
  }
  std::int32_t LineLength(std::int32_t line) const {
    return static_cast<std::int32_t>(text_.Lines()[static_cast<std::size_t>(line)].size());
  }
  std::string_view Line(std::int32_t line) const {
    return text_.Lines()[static_cast<std::size_t>(line)];
  }
  std::string Indent(std::int32_t line) const {
    const std::string_view l = Line(line);
    return std::string(l.substr(0, std::min(l.find_first_not_of(" \t"), l.size())));
  }

  // Where text that follows item `i` goes: the end of its line, so that a comment after
  // it stays on its line; right after the item when another item starts on that line or a
  // comment starting there runs on to a later line.
  std::size_t PlaceAfter(std::size_t i) const {
    const Item& item = items_[i];
    if (i + 1 < items_.size() && items_[i + 1].line == item.end_line &&
        (items_[i + 1].type == Item::Type::kToken || items_[i + 1].end_line != item.end_line))
      return Offset(item.end_line, item.end_col);
    return Offset(item.end_line, LineLength(item.end_line) + 1);
  }

  // True when a comment lies between items `a` and `b` (a < b).
  bool CommentBetween(std::size_t a, std::size_t b) const {
    for (std::size_t i = a + 1; i < b; ++i)
      if (items_[i].type == Item::Type::kComment) return true;
    return false;
  }

  [[noreturn]] void Fail(std::optional<std::int32_t> line, const std::string& what) const {
    const auto lines = text_.Lines();
    std::string where = "Unit file " + std::string(name_);
    if (line && !lines.empty())
      where += ", line " +
               std::to_string(
                   std::min<std::size_t>(static_cast<std::size_t>(*line), lines.size() - 1) + 1);
    throw Error(where + ": " + what);
  }

  std::string Shown(std::size_t t) const {
    if (t >= tokens_.size()) return "the end of the file";
    const Item& item = Token(t);
    std::string shown(Line(item.line).substr(static_cast<std::size_t>(item.col - 1),
                                             static_cast<std::size_t>(item.end_col - item.col)));
    if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
    return "'" + shown + "'";
  }

 private:
  // The comments between the place (line, col) and (toLine, toCol), by the scanner's rules:
  // the text there holds only blanks and comments.
  void ScanGap(std::int32_t line, std::int32_t col, std::int32_t to_line, std::int32_t to_col,
               int& depth) {
    const auto lines = text_.Lines();
    const auto count = static_cast<std::int32_t>(lines.size());
    while (line < count && (line < to_line || (line == to_line && col < to_col))) {
      const std::string_view l = Line(line);
      const auto len = static_cast<std::int32_t>(l.size());
      if (col > len) {
        ++line;
        col = 1;
        continue;
      }
      std::string_view closer;
      if (TvScanner::IsLineCommentAt(l, col)) {
        Item comment{Item::Type::kComment, tkUnknown, "", false, line, col, line, len + 1, depth};
        items_.push_back(std::move(comment));
        ++line;
        col = 1;
        continue;
      }
      if (!TvScanner::IsBlockCommentAt(l, col, closer)) {
        ++col;
        continue;
      }
      Item comment{Item::Type::kComment, tkUnknown, "", false, line, col, line, col, depth};
      const auto open = static_cast<std::size_t>(col - 1);
      const std::size_t body = open + (closer == "}" ? 1 : 2);
      if (body < l.size() && l[body] == '$') {
        comment.directive = true;
        std::size_t end = body + 1;
        while (end < l.size() && IsAsciiLetter(l[end])) ++end;
        comment.text = std::string(l.substr(body + 1, end - body - 1));
        for (char& c : comment.text) c = AsciiUpper(c);
      }
      std::size_t found = l.find(closer, body);
      while (found == std::string_view::npos && ++line < count) found = Line(line).find(closer);
      if (found == std::string_view::npos) {  // the comment runs to the end of the source
        comment.end_line = count - 1;
        comment.end_col = LineLength(count - 1) + 1;
        line = count;
      } else {
        comment.end_line = line;
        comment.end_col = static_cast<std::int32_t>(found + closer.size()) + 1;
        col = comment.end_col;
      }
      if (comment.directive) {
        const std::string& word = comment.text;
        if (word == "IF" || word == "IFDEF" || word == "IFNDEF" || word == "IFOPT") ++depth;
        if (word == "ENDIF" || word == "IFEND") --depth;
      }
      items_.push_back(std::move(comment));
    }
  }

  SourceText text_;
  std::string_view name_;
  std::vector<Item> items_;
  std::vector<std::size_t> tokens_;
};

struct Edit {
  std::size_t offset;
  std::size_t remove;
  std::string insert;
};

std::string Apply(std::string_view source, std::vector<Edit> edits) {
  std::string result(source);
  std::sort(edits.begin(), edits.end(),
            [](const Edit& a, const Edit& b) { return a.offset > b.offset; });
  for (const Edit& edit : edits) result.replace(edit.offset, edit.remove, edit.insert);
  return result;
}

// A uses clause: `uses` at token `uses`, its entries, and the closing `;`.
struct UsesClause {
  struct Entry {
    std::string name;         // lower case, dotted parts joined
    std::size_t first, last;  // token indices
  };
  std::size_t uses = 0;
  std::vector<Entry> entries;
  std::size_t semicolon = 0;
};

UsesClause ParseUses(const UnitScan& scan, std::size_t t) {
  UsesClause clause;
  clause.uses = t++;
  for (;;) {
    UsesClause::Entry entry{"", t, t};
    for (;;) {
      if (t >= scan.Tokens().size() || scan.Token(t).kind != tkIdentifier)
        scan.Fail(t < scan.Tokens().size() ? std::optional(scan.Token(t).line) : std::nullopt,
                  "expected a unit name in the uses clause, found " + scan.Shown(t));
      entry.name += scan.Token(t).text;
      entry.last = t++;
      if (!scan.IsSymbol(t, ".")) break;
      entry.name += '.';
      ++t;
    }
    if (scan.IsWord(t, "in") && t + 1 < scan.Tokens().size() &&
        scan.Token(t + 1).kind == tkString) {
      t += 2;
      entry.last = t - 1;
    }
    clause.entries.push_back(std::move(entry));
    if (scan.IsSymbol(t, ";")) break;
    if (scan.IsSymbol(t, ",")) {
      ++t;
      continue;
    }
    // Both branches of an {$IFDEF}/{$ELSE} pair may name a unit with no comma between.
    if (t < scan.Tokens().size() && scan.Token(t).kind == tkIdentifier) continue;
    scan.Fail(t < scan.Tokens().size() ? std::optional(scan.Token(t).line) : std::nullopt,
              "expected ',' or ';' in the uses clause, found " + scan.Shown(t));
  }
  clause.semicolon = t;
  return clause;
}

std::optional<std::size_t> FindWord(const UnitScan& scan, std::string_view lower,
                                    std::size_t from) {
  for (std::size_t t = from; t < scan.Tokens().size(); ++t)
    if (scan.IsWord(t, lower)) return t;
  return std::nullopt;
}

// The edit that takes entry `k` out of `clause`, with its comma; the whole clause (and its
// lines, when nothing else is on them) when it is the only entry.
Edit RemoveEntry(const UnitScan& scan, const UsesClause& clause, std::size_t k) {
  auto start = [&](std::size_t t) { return scan.Offset(scan.Token(t).line, scan.Token(t).col); };
  auto end = [&](std::size_t t) {
    return scan.Offset(scan.Token(t).end_line, scan.Token(t).end_col);
  };
  if (clause.entries.size() > 1) {
    const std::size_t from =
        k > 0 ? end(clause.entries[k - 1].last) : start(clause.entries[k].first);
    const std::size_t to = k > 0 ? end(clause.entries[k].last) : start(clause.entries[k + 1].first);
    return {from, to - from, ""};
  }
  const Item& uses = scan.Token(clause.uses);
  const Item& semi = scan.Token(clause.semicolon);
  std::size_t from = start(clause.uses);
  std::size_t to = end(clause.semicolon);
  const std::string_view before =
      scan.Line(uses.line).substr(0, static_cast<std::size_t>(uses.col - 1));
  const std::string_view after =
      scan.Line(semi.line).substr(static_cast<std::size_t>(semi.end_col - 1));
  if (before.find_first_not_of(" \t") == std::string_view::npos &&
      after.find_first_not_of(" \t") == std::string_view::npos) {
    from = scan.Offset(uses.line, 1);
    to = scan.Offset(semi.line + 1, 1);
  }
  return {from, to - from, ""};
}

}  // namespace

std::optional<std::string> FindClassParent(std::string_view source, std::string_view file_name,
                                           std::string_view class_name) {
  const UnitScan scan(source, file_name);
  const std::string lower_class = AsciiLowerCase(class_name);
  const std::size_t count = scan.Tokens().size();
  for (std::size_t t = 0; t + 2 < count; ++t) {
    if (!(scan.Token(t).kind == tkIdentifier && scan.Token(t).text == lower_class &&
          scan.IsSymbol(t + 1, "=") && scan.IsWord(t + 2, "class")))
      continue;
    std::size_t u = t + 3;
    while (scan.IsWord(u, "sealed") || scan.IsWord(u, "abstract")) ++u;
    // `class;` and `class of` declare no class body; look on for the declaration.
    if (scan.IsSymbol(u, ";") || scan.IsWord(u, "of")) continue;
    if (!scan.IsSymbol(u, "(")) return std::nullopt;
    std::optional<std::string> parent;
    for (++u; u < count && scan.Token(u).kind == tkIdentifier; u += 2) {
      const Item& name = scan.Token(u);
      parent = std::string(
          scan.Line(name.line).substr(static_cast<std::size_t>(name.col - 1),
                                      static_cast<std::size_t>(name.end_col - name.col)));
      if (!scan.IsSymbol(u + 1, ".")) break;
    }
    return parent;
  }
  return std::nullopt;
}

std::string AddClassFields(std::string_view source, std::string_view file_name,
                           std::string_view class_name, std::span<const ComponentField> fields) {
  const UnitScan scan(source, file_name);
  const std::string lower_class = AsciiLowerCase(class_name);
  const std::size_t count = scan.Tokens().size();

  // `TFormX = class [sealed|abstract] [(ancestors)]` with a body: not `class;` nor `class of`.
  std::optional<std::size_t> header;  // the heading's last token
  std::size_t class_word = 0;
  for (std::size_t t = 0; t + 2 < count && !header; ++t) {
    if (!(scan.Token(t).kind == tkIdentifier && scan.Token(t).text == lower_class &&
          scan.IsSymbol(t + 1, "=") && scan.IsWord(t + 2, "class")))
      continue;
    std::size_t last = t + 2;
    while (scan.IsWord(last + 1, "sealed") || scan.IsWord(last + 1, "abstract")) ++last;
    if (scan.IsSymbol(last + 1, "(")) {
      std::size_t close = last + 2;
      while (close < count && !scan.IsSymbol(close, ")")) ++close;
      if (close >= count) break;
      last = close;
    }
    if (last + 1 < count && !scan.IsSymbol(last + 1, ";") && !scan.IsWord(last + 1, "of")) {
      header = last;
      class_word = t + 2;
    }
  }
  if (!header)
    scan.Fail(std::nullopt,
              "the declaration of class " + std::string(class_name) + " was not found");

  static constexpr std::string_view kSectionEnd[] = {
      "end",        "private",   "protected", "public",        "published",
      "strict",     "automated", "procedure", "function",      "constructor",
      "destructor", "class",     "property",  "operator",      "var",
      "const",      "type",      "threadvar", "resourcestring"};
  auto ends_section = [&](std::size_t t) {
    return scan.Token(t).kind == tkIdentifier &&
           std::find(std::begin(kSectionEnd), std::end(kSectionEnd), scan.Token(t).text) !=
               std::end(kSectionEnd);
  };

  const int base = scan.Token(class_word).depth;
  std::vector<std::string> declared;
  std::size_t place = scan.Tokens()[*header];  // item after which the fields go
  bool needs_semicolon = false;
  std::optional<std::int32_t> last_field_line;
  std::optional<std::int32_t> first_member_line;
  std::size_t t = *header + 1;
  for (;;) {
    if (t >= count)
      scan.Fail(std::nullopt, "class " + std::string(class_name) + " is not closed with 'end'");
    // A visibility keyword sits at the class's own indentation, not at its members'.
    static constexpr std::string_view kVisibility[] = {
        "end", "private", "protected", "public", "published", "strict", "automated"};
    if (!first_member_line && std::find(std::begin(kVisibility), std::end(kVisibility),
                                        scan.Token(t).text) == std::end(kVisibility))
      first_member_line = scan.Token(t).line;
    // An {$ENDIF} that closes a block of fields: new fields go after it, outside.
    for (std::size_t i = scan.Tokens()[t - 1] + 1; i < scan.Tokens()[t]; ++i) {
      const Item& item = scan.Items()[i];
      if (item.directive && item.depth > base && (item.text == "ENDIF" || item.text == "IFEND") &&
          item.depth - 1 == base && last_field_line) {
        place = i;
        needs_semicolon = false;
      }
    }
    if (ends_section(t)) break;
    // A field declaration: names, ':', a type, ';'. Parentheses and `record ... end`
    // nest; the last field may end at the class's `end` without a ';'.
    const std::size_t first = t;
    while (t < count && !scan.IsSymbol(t, ":") && !scan.IsSymbol(t, ";") &&
           !scan.IsWord(t, "end")) {
      if (scan.Token(t).kind == tkIdentifier) declared.push_back(scan.Token(t).text);
      ++t;
    }
    int parens = 0, records = 0;
    bool closed_by_end = false;
    for (; t < count; ++t) {
      if (scan.IsSymbol(t, "(")) ++parens;
      if (scan.IsSymbol(t, ")")) --parens;
      if (scan.IsWord(t, "record")) ++records;
      if (scan.IsWord(t, "end")) {
        if (records == 0) {
          closed_by_end = true;
          break;
        }
        --records;
      }
      if (parens <= 0 && records == 0 && scan.IsSymbol(t, ";")) break;
    }
    if (t >= count)
      scan.Fail(std::nullopt, "class " + std::string(class_name) + " is not closed with 'end'");
    last_field_line = scan.Token(first).line;
    const std::size_t last_token = closed_by_end ? t - 1 : t;
    if (scan.Token(last_token).depth == base && last_token >= first) {
      place = scan.Tokens()[last_token];
      needs_semicolon = closed_by_end;
    }
    if (!closed_by_end) ++t;
  }

  std::vector<const ComponentField*> missing;
  for (const ComponentField& field : fields) {
    const std::string lower = AsciiLowerCase(field.name);
    if (std::find(declared.begin(), declared.end(), lower) != declared.end()) continue;
    declared.push_back(lower);
    missing.push_back(&field);
  }
  if (missing.empty()) return std::string(source);

  const std::int32_t header_line = scan.Token(*header).line;
  std::string indent;
  if (last_field_line && *last_field_line != header_line)
    indent = scan.Indent(*last_field_line);
  else if (first_member_line && *first_member_line != header_line)
    indent = scan.Indent(*first_member_line);
  else
    indent = scan.Indent(scan.Token(class_word).line) + "  ";

  const std::string eol(LineEndOf(source));
  std::string text = needs_semicolon ? ";" : "";
  for (const ComponentField* field : missing)
    text += eol + indent + field->name + ": " + field->class_name + ";";
  const Item& at = scan.Items()[place];
  const std::size_t offset =
      needs_semicolon ? scan.Offset(at.end_line, at.end_col) : scan.PlaceAfter(place);
  return Apply(source, {{offset, 0, text}});
}

std::string AddInterfaceUses(std::string_view source, std::string_view file_name,
                             std::string_view unit_name) {
  const UnitScan scan(source, file_name);
  const std::string lower_unit = AsciiLowerCase(unit_name);
  const auto interface = FindWord(scan, "interface", 0);
  if (!interface)
    scan.Fail(std::nullopt, "no interface section, so unit " + std::string(unit_name) +
                                " cannot be added to its uses clause");

  std::vector<Edit> edits;
  std::optional<UsesClause> clause;
  if (scan.IsWord(*interface + 1, "uses")) clause = ParseUses(scan, *interface + 1);
  const std::size_t search_from = clause ? clause->semicolon : *interface + 1;
  if (const auto implementation = FindWord(scan, "implementation", search_from);
      implementation && scan.IsWord(*implementation + 1, "uses")) {
    const UsesClause impl_uses = ParseUses(scan, *implementation + 1);
    for (std::size_t k = 0; k < impl_uses.entries.size(); ++k) {
      if (impl_uses.entries[k].name == lower_unit) {
        edits.push_back(RemoveEntry(scan, impl_uses, k));
        break;
      }
    }
  }

  const std::string eol(LineEndOf(source));
  const std::string unit(unit_name);
  if (!clause) {
    edits.push_back(
        {scan.PlaceAfter(scan.Tokens()[*interface]), 0, eol + eol + "uses " + unit + ";"});
  } else if (std::none_of(clause->entries.begin(), clause->entries.end(),
                          [&](const UsesClause::Entry& e) { return e.name == lower_unit; })) {
    const Item& uses = scan.Token(clause->uses);
    const Item& semi = scan.Token(clause->semicolon);
    if (semi.depth != uses.depth) {
      // The clause ends inside a conditional block (each branch closes it): the start of
      // the list is the one place every branch shares.
      edits.push_back({scan.Offset(uses.end_line, uses.end_col), 0, " " + unit + ","});
    } else {
      const std::size_t last_entry = clause->entries.back().last;
      const Item& last = scan.Token(last_entry);
      const bool comment_before =
          scan.CommentBetween(scan.Tokens()[last_entry], scan.Tokens()[clause->semicolon]);
      const Item& anchor = comment_before ? semi : last;
      const std::int32_t line = anchor.line;
      const std::int32_t col = comment_before ? semi.col : last.end_col;
      const std::size_t grown = static_cast<std::size_t>(scan.LineLength(line)) + 2 + unit.size();
      std::string text = ", " + unit;
      if (grown > kUsesLineLimit) {
        std::string indent = scan.Indent(last.line);
        if (last.line == uses.line) indent += "  ";
        text = "," + eol + indent + unit;
      }
      edits.push_back({scan.Offset(line, col), 0, std::move(text)});
    }
  }
  return edits.empty() ? std::string(source) : Apply(source, std::move(edits));
}

bool UpdateFormUnit(const std::string& path, std::string_view class_name,
                    std::span<const ComponentField> fields, std::string_view unit_name) {
  const std::string before = ReadWholeFile(path);
  std::string after = AddClassFields(before, path, class_name, fields);
  after = AddInterfaceUses(after, path, unit_name);
  if (after == before) return false;
  ReplaceFile(path, after);
  return true;
}

}  // namespace polyverb
