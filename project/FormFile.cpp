#include "project/FormFile.h"

#include <algorithm>
#include <cstdint>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "project/BinaryForm.h"
#include "project/ProjectFile.h"

namespace polyverb {
namespace {

// Deeper nesting than any designer writes; the limit keeps a hostile file from
// exhausting the stack of the recursive reader.
constexpr int kMaxDepth = 200;
constexpr std::uint32_t kMaxCharCode = 0xFFFF;  // #n codes are UTF-16 code units

// The reader's blank characters: every control byte up to and including the space.
bool IsBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}
bool IsIdentStart(char c) {
  return IsAsciiLetter(c) || c == '_' || static_cast<unsigned char>(c) >= 128;
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || IsAsciiDigit(c);
}

// Code points of a valid UTF-8 text.
std::vector<std::uint32_t> CodePoints(std::string_view utf8) {
  std::vector<std::uint32_t> cps;
  for (std::size_t i = 0; i < utf8.size();)
    cps.push_back(static_cast<std::uint32_t>(NextUtf8(utf8, i)));
  return cps;
}

FormValue ScalarValue(FormValueKind kind, std::string text) {
  FormValue value;
  value.kind = kind;
  value.text = std::move(text);
  return value;
}

std::string FormatValue(const FormValue& value, FormFileKind kind) {
  return value.kind == FormValueKind::kString ? QuoteFormString(value.text, kind) : value.text;
}

// A run of #n codes as text. Delphi's codes are UTF-16 code units (a surrogate pair makes
// one character; a lone half is U+FFFD). Free Pascal's converter writes each byte of a
// UTF-8 string as a code of its own: in a .lfm, a run of codes below 256 that spells
// valid UTF-8 beyond ASCII is taken as those bytes.
void AppendCodes(std::string& text, const std::vector<std::uint32_t>& codes, FormFileKind kind) {
  if (kind == FormFileKind::kLfm) {
    std::string bytes;
    for (std::uint32_t code : codes) {
      if (code > 0xFF) break;
      bytes += static_cast<char>(code);
    }
    if (bytes.size() == codes.size() && IsValidUtf8(bytes) &&
        std::any_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
      text += bytes;
      return;
    }
  }
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const std::uint32_t code = codes[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < codes.size() && codes[i + 1] >= 0xDC00 &&
        codes[i + 1] <= 0xDFFF) {
      AppendUtf8(text, 0x10000 + ((code - 0xD800) << 10) + (codes[++i] - 0xDC00));
    } else {
      AppendUtf8(text, code >= 0xD800 && code <= 0xDFFF ? 0xFFFD : code);
    }
  }
}

}  // namespace

FormFileKind FormFileKindOf(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  const bool lfm = dot != std::string_view::npos &&
                   file_name.find('/', dot) == std::string_view::npos &&
                   SameTextAscii(file_name.substr(dot), ".lfm");
  return lfm ? FormFileKind::kLfm : FormFileKind::kDfm;
}

std::string QuoteFormString(std::string_view value, FormFileKind kind) {
  const std::vector<std::uint32_t> cps =
      CodePoints(IsValidUtf8(value) ? std::string(value) : DecodeToUtf8(value));
  std::string out;
  bool quoted = false;
  for (std::uint32_t cp : cps) {
    const bool literal = kind == FormFileKind::kLfm ? cp >= 32 && cp != 127 : cp >= 32 && cp <= 126;
    if (literal) {
      if (!quoted) out += '\'';
      quoted = true;
      AppendUtf8(out, cp);
      if (cp == '\'') out += '\'';
      continue;
    }
    if (quoted) out += '\'';
    quoted = false;
    if (cp > 0xFFFF) {
      const std::uint32_t v = cp - 0x10000;
      out += '#' + std::to_string(0xD800 + (v >> 10)) + '#' + std::to_string(0xDC00 + (v & 0x3FF));
    } else {
      out += '#' + std::to_string(cp);
    }
  }
  if (quoted || out.empty()) out += '\'';
  if (out == "'") out += '\'';
  return out;
}

// ---------------------------------------------------------------------------------------
// Reading

class FormParser {
 public:
  FormParser(std::string_view src, std::string_view name)
      : src_(src), name_(name), kind_(FormFileKindOf(name)) {}

  FormFile Parse() {
    FormFile file;
    file.kind_ = kind_;
    file.line_end_ = LineEndOf(src_);
    if (src_.starts_with("\xEF\xBB\xBF")) pos_ = 3;  // a byte order mark stays in the root's lead
    Lex();
    file.root_ = ParseObject(0);
    if (cur_.kind != Kind::kEnd)
      Fail(cur_.begin,
           "expected the end of the file after the root object's 'end', found " + Shown());
    file.trailer_ = std::string(src_.substr(consumed_));
    return file;
  }

 private:
  enum class Kind { kEnd, kIdent, kInteger, kFloat, kString, kBinary, kSymbol };
  struct Token {
    Kind kind = Kind::kEnd;
    std::size_t begin = 0, end = 0;
    std::string text;  // Ident: as written; String: decoded; Binary: hex digits; number: as written
  };

  [[noreturn]] void Fail(std::size_t offset, const std::string& what) const {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < src_.size(); ++i) {
      if (src_[i] == '\n' || (src_[i] == '\r' && (i + 1 >= src_.size() || src_[i + 1] != '\n')))
        ++line;
    }
    throw Error("Form file " + std::string(name_) + ", line " + std::to_string(line) + ": " + what);
  }

  std::string Shown() const {
    if (cur_.kind == Kind::kEnd) return "the end of the file";
    std::string_view text = src_.substr(cur_.begin, cur_.end - cur_.begin);
    std::string shown(text.substr(0, 40));
    if (text.size() > 40) shown += "...";
    return "'" + shown + "'";
  }

  // ---- lexer ----

  void Next() {
    last_end_ = cur_.end;
    Lex();
  }

  void Lex() {
    while (pos_ < src_.size() && IsBlank(src_[pos_])) ++pos_;
    cur_ = Token{};
    cur_.begin = cur_.end = pos_;
    if (pos_ >= src_.size()) return;
    const char c = src_[pos_];
    if (c == '\0') Fail(pos_, "a NUL byte; this is not a text form file");
    if (IsIdentStart(c)) {
      std::size_t p = pos_;
      while (p < src_.size() && IsIdentChar(src_[p])) ++p;
      Finish(Kind::kIdent, p, std::string(src_.substr(pos_, p - pos_)));
    } else if (IsAsciiDigit(c) || c == '$' ||
               ((c == '-' || c == '+') && pos_ + 1 < src_.size() &&
                (IsAsciiDigit(src_[pos_ + 1]) || src_[pos_ + 1] == '$'))) {
      LexNumber();
    } else if (c == '\'' || c == '#') {
      LexString();
    } else if (c == '{') {
      LexBinary();
    } else if (std::string_view("=:[](),<>+.").find(c) != std::string_view::npos) {
      Finish(Kind::kSymbol, pos_ + 1, std::string(1, c));
    } else {
      const auto u = static_cast<unsigned char>(c);
      Fail(pos_, u < 127 ? std::string("unexpected character '") + c + "'"
                         : "unexpected character #" + std::to_string(u));
    }
  }

  void Finish(Kind kind, std::size_t end, std::string text) {
    cur_.kind = kind;
    cur_.end = end;
    cur_.text = std::move(text);
    pos_ = end;
  }

  void LexNumber() {
    std::size_t p = pos_;
    if (src_[p] == '-' || src_[p] == '+') ++p;
    bool is_float = false;
    if (src_[p] == '$') {
      ++p;
      const std::size_t digits = p;
      while (p < src_.size() && IsAsciiHexDigit(src_[p])) ++p;
      if (p == digits) Fail(pos_, "expected hex digits after '$'");
    } else {
      while (p < src_.size() && IsAsciiDigit(src_[p])) ++p;
      if (p + 1 < src_.size() && src_[p] == '.' && IsAsciiDigit(src_[p + 1])) {
        is_float = true;
        p += 1;
        while (p < src_.size() && IsAsciiDigit(src_[p])) ++p;
      }
      if (p < src_.size() && (src_[p] == 'e' || src_[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < src_.size() && (src_[q] == '+' || src_[q] == '-')) ++q;
        if (q < src_.size() && IsAsciiDigit(src_[q])) {
          is_float = true;
          p = q;
          while (p < src_.size() && IsAsciiDigit(src_[p])) ++p;
        }
      }
      // Single, currency and date values carry a one-letter type suffix.
      if (p < src_.size() && std::string_view("sScCdDfF").find(src_[p]) != std::string_view::npos &&
          (p + 1 >= src_.size() || !IsIdentChar(src_[p + 1]))) {
        is_float = true;
        ++p;
      }
    }
    if (p < src_.size() && IsIdentChar(src_[p]))
      Fail(pos_, "invalid number '" +
                     std::string(src_.substr(pos_, std::min<std::size_t>(p + 1 - pos_, 40))) + "'");
    Finish(is_float ? Kind::kFloat : Kind::kInteger, p, std::string(src_.substr(pos_, p - pos_)));
  }

  void LexString() {
    std::string text;
    std::vector<std::uint32_t> codes;  // the run of #n codes being read
    auto flush_codes = [&] {
      AppendCodes(text, codes, kind_);
      codes.clear();
    };
    std::size_t p = pos_;
    while (p < src_.size() && (src_[p] == '\'' || src_[p] == '#')) {
      if (src_[p] == '\'') {
        flush_codes();
        const std::size_t open = p++;
        std::string quoted;
        for (;;) {
          if (p >= src_.size() || IsLineEndChar(src_[p])) Fail(open, "unterminated string");
          if (src_[p] == '\'') {
            if (p + 1 < src_.size() && src_[p + 1] == '\'') {
              quoted += '\'';
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          quoted += src_[p++];
        }
        // The LCL shows UTF-8: bytes of an older, Windows-1252 .lfm are converted.
        text += kind_ == FormFileKind::kLfm && !IsValidUtf8(quoted) ? DecodeToUtf8(quoted) : quoted;
        continue;
      }
      const std::size_t hash = p++;
      const bool hex = p < src_.size() && src_[p] == '$';
      if (hex) ++p;
      const std::size_t digits = p;
      std::uint32_t code = 0;
      while (p < src_.size() && (hex ? IsAsciiHexDigit(src_[p]) : IsAsciiDigit(src_[p]))) {
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(HexDigitValue(src_[p]));
        if (code > kMaxCharCode)
          Fail(hash, "character code " + std::string(src_.substr(hash, p + 1 - hash)) +
                         "... is out of range");
        ++p;
      }
      if (p == digits) Fail(hash, "expected a character code after '#'");
      codes.push_back(code);
    }
    flush_codes();
    if (p < src_.size() && IsIdentChar(src_[p])) Fail(p, "unexpected text directly after a string");
    Finish(Kind::kString, p, std::move(text));
  }

  void LexBinary() {
    std::string hex;
    std::size_t p = pos_ + 1;
    for (;;) {
      if (p >= src_.size()) Fail(pos_, "binary data not closed with '}'");
      const char c = src_[p];
      if (c == '}') break;
      if (IsAsciiHexDigit(c)) {
        hex += c;
      } else if (!IsBlank(c)) {
        Fail(p, "invalid character in binary data");
      }
      ++p;
    }
    if (hex.size() % 2 != 0) Fail(pos_, "binary data with an odd number of hex digits");
    Finish(Kind::kBinary, p + 1, std::move(hex));
  }

  // ---- grammar ----

  bool IsSymbol(char c) const { return cur_.kind == Kind::kSymbol && cur_.text[0] == c; }
  bool IsWord(std::string_view word) const {
    return cur_.kind == Kind::kIdent && SameTextAscii(cur_.text, word);
  }
  bool AtObjectStart() const { return IsWord("object") || IsWord("inherited") || IsWord("inline"); }
  void Expect(char c) {
    if (!IsSymbol(c)) Fail(cur_.begin, std::string("expected '") + c + "', found " + Shown());
    Next();
  }
  std::string TakeIdent(std::string_view what) {
    if (cur_.kind != Kind::kIdent)
      Fail(cur_.begin, "expected " + std::string(what) + ", found " + Shown());
    std::string text = std::move(cur_.text);
    Next();
    return text;
  }
  std::string TakeDotted(std::string_view what) {
    std::string text = TakeIdent(what);
    while (IsSymbol('.')) {
      Next();
      text += '.' + TakeIdent(what);
    }
    return text;
  }
  void CheckDepth(int depth) const {
    if (depth > kMaxDepth) Fail(cur_.begin, "nested too deeply");
  }

  // The original text of a piece that starts at `start` and whose last token ends at
  // lastEnd_: see FormText.
  FormText TakePiece(std::size_t start) {
    FormText text;
    text.lead = std::string(src_.substr(consumed_, start - consumed_));
    text.core = std::string(src_.substr(start, last_end_ - start));
    std::size_t p = last_end_;
    while (p < src_.size() && IsBlank(src_[p]) && !IsLineEndChar(src_[p])) ++p;
    if (p < src_.size() && IsLineEndChar(src_[p])) {
      p += src_[p] == '\r' && p + 1 < src_.size() && src_[p + 1] == '\n' ? 2 : 1;
      text.tail = std::string(src_.substr(last_end_, p - last_end_));
      consumed_ = p;
    } else {
      consumed_ = last_end_;
    }
    return text;
  }

  // The indentation a piece's lead gives its line, or `depth` levels of two spaces when
  // the piece does not start a line of its own.
  static std::string IndentOf(std::string_view lead, bool start_of_file, int depth) {
    std::string_view indent = lead;
    const std::size_t line_end = lead.find_last_of("\r\n");
    if (line_end != std::string_view::npos)
      indent = lead.substr(line_end + 1);
    else if (!start_of_file)
      return std::string(static_cast<std::size_t>(depth) * 2, ' ');
    if (indent.starts_with("\xEF\xBB\xBF")) indent.remove_prefix(3);
    if (indent.find_first_not_of(" \t") != std::string_view::npos)
      return std::string(static_cast<std::size_t>(depth) * 2, ' ');
    return std::string(indent);
  }

  std::unique_ptr<FormObject> ParseObject(int depth) {
    CheckDepth(depth);
    if (!AtObjectStart())
      Fail(cur_.begin, "expected 'object', 'inherited' or 'inline', found " + Shown());
    const bool start_of_file = consumed_ == 0;
    const std::size_t start = cur_.begin;
    const FormObjectKind kind = IsWord("object")      ? FormObjectKind::kObject
                                : IsWord("inherited") ? FormObjectKind::kInherited
                                                      : FormObjectKind::kInline;
    Next();
    std::string first = TakeIdent("an object name or class name");
    std::string name, class_name;
    if (IsSymbol(':')) {
      Next();
      name = std::move(first);
      class_name = TakeIdent("a class name");
    } else {
      class_name = std::move(first);
    }
    auto object = std::make_unique<FormObject>(kind, std::move(name), std::move(class_name));
    if (IsSymbol('[')) {
      Next();
      if (cur_.kind != Kind::kInteger)
        Fail(cur_.begin, "expected an index after '[', found " + Shown());
      object->index_ = cur_.text;
      Next();
      Expect(']');
    }
    object->header_ = TakePiece(start);
    object->indent_ = IndentOf(object->header_.lead, start_of_file, depth);

    while (cur_.kind == Kind::kIdent && !AtObjectStart() && !IsWord("end")) {
      const std::size_t property_start = cur_.begin;
      FormProperty property = ParseProperty(depth);
      property.text_ = TakePiece(property_start);
      object->properties_.push_back(std::move(property));
    }
    while (AtObjectStart()) object->children_.push_back(ParseObject(depth + 1));
    if (!IsWord("end")) {
      Fail(cur_.begin,
           cur_.kind == Kind::kIdent
               ? "property " + cur_.text + " after the child objects of " + Describe(*object)
               : "expected 'end' of " + Describe(*object) + ", found " + Shown());
    }
    const std::size_t end_start = cur_.begin;
    Next();
    object->end_ = TakePiece(end_start);
    return object;
  }

  static std::string Describe(const FormObject& object) {
    return "object " + (object.Name().empty() ? object.ClassName() : object.Name());
  }

  FormProperty ParseProperty(int depth) {
    std::string name = TakeDotted("a property name");
    Expect('=');
    return FormProperty(std::move(name), ParseValue(depth + 1));
  }

  FormValue ParseValue(int depth) {
    CheckDepth(depth);
    FormValue value;
    switch (cur_.kind) {
      case Kind::kString:
        value.kind = FormValueKind::kString;
        value.text = std::move(cur_.text);
        Next();
        while (IsSymbol('+')) {
          Next();
          if (cur_.kind != Kind::kString)
            Fail(cur_.begin, "expected a string after '+', found " + Shown());
          value.text += cur_.text;
          Next();
        }
        return value;
      case Kind::kInteger:
      case Kind::kFloat:
        value.kind = cur_.kind == Kind::kInteger ? FormValueKind::kInteger : FormValueKind::kFloat;
        value.text = std::move(cur_.text);
        Next();
        return value;
      case Kind::kIdent:
        if (AtObjectStart() || IsWord("end")) break;  // a value left out before the next line
        value.kind = FormValueKind::kIdentifier;
        value.text = TakeDotted("an identifier");
        return value;
      case Kind::kBinary:
        value.kind = FormValueKind::kBinary;
        value.text = std::move(cur_.text);
        Next();
        return value;
      case Kind::kSymbol:
        if (IsSymbol('[')) return ParseSet();
        if (IsSymbol('(')) return ParseList(depth);
        if (IsSymbol('<')) return ParseCollection(depth);
        break;
      case Kind::kEnd:
        break;
    }
    Fail(cur_.begin, "expected a value, found " + Shown());
  }

  FormValue ParseSet() {
    FormValue value;
    value.kind = FormValueKind::kSet;
    Next();
    if (!IsSymbol(']')) {
      for (;;) {
        if (cur_.kind != Kind::kIdent && cur_.kind != Kind::kInteger)
          Fail(cur_.begin, "expected a set element, found " + Shown());
        value.elements.push_back(std::move(cur_.text));
        Next();
        if (!IsSymbol(',')) break;
        Next();
      }
    }
    Expect(']');
    return value;
  }

  FormValue ParseList(int depth) {
    FormValue value;
    value.kind = FormValueKind::kList;
    Next();
    while (!IsSymbol(')')) {
      if (cur_.kind == Kind::kEnd || IsWord("end") || AtObjectStart())
        Fail(cur_.begin, "list not closed with ')'");
      value.items.push_back(ParseValue(depth + 1));
    }
    Next();
    return value;
  }

  FormValue ParseCollection(int depth) {
    FormValue value;
    value.kind = FormValueKind::kCollection;
    Next();
    while (!IsSymbol('>')) {
      if (!IsWord("item")) Fail(cur_.begin, "expected 'item' or '>', found " + Shown());
      Next();
      FormCollectionItem item;
      if (IsSymbol('[')) {
        Next();
        if (cur_.kind != Kind::kInteger)
          Fail(cur_.begin, "expected an index after '[', found " + Shown());
        item.index = cur_.text;
        Next();
        Expect(']');
      }
      while (cur_.kind == Kind::kIdent && !IsWord("end"))
        item.properties.push_back(ParseProperty(depth + 1));
      if (!IsWord("end")) Fail(cur_.begin, "expected 'end' of a collection item, found " + Shown());
      Next();
      value.collection.push_back(std::move(item));
    }
    Next();
    return value;
  }

  std::string_view src_;
  std::string_view name_;
  FormFileKind kind_;
  std::size_t pos_ = 0;       // where the lexer goes on
  std::size_t last_end_ = 0;  // end of the last token taken
  std::size_t consumed_ = 0;  // end of the text handed to pieces so far
  Token cur_;
};

FormFile FormFile::Parse(std::string_view bytes, std::string_view file_name) {
  if (IsBinaryForm(bytes)) return ReadBinaryForm(bytes, file_name);
  return FormParser(bytes, file_name).Parse();
}

FormFile FormFile::Read(const std::string& path) {
  return Parse(ReadWholeFile(path), path);
}

// ---------------------------------------------------------------------------------------
// The tree

const FormProperty* FormObject::FindProperty(std::string_view name) const {
  for (const FormProperty& property : properties_)
    if (SameTextAscii(property.name_, name)) return &property;
  return nullptr;
}

std::optional<std::string> FormObject::StringProperty(std::string_view name) const {
  const FormProperty* property = FindProperty(name);
  if (property == nullptr || property->value_.kind != FormValueKind::kString) return std::nullopt;
  return property->value_.text;
}

void FormObject::SetStringProperty(std::string_view name, std::string_view value) {
  SetProperty(name, ScalarValue(FormValueKind::kString, std::string(value)));
}

std::string FormObject::ChildIndent() const {
  for (const FormProperty& property : properties_) {
    const std::string& lead = property.text_.lead;
    const std::size_t line_end = lead.find_last_of("\r\n");
    if (property.text_.fresh || line_end == std::string::npos) break;
    const std::string indent = lead.substr(line_end + 1);
    if (indent.find_first_not_of(" \t") == std::string::npos) return indent;
    break;
  }
  return indent_ + "  ";
}

void FormObject::SetProperty(std::string_view name, FormValue value) {
  for (FormProperty& property : properties_) {
    if (SameTextAscii(property.name_, name)) {
      property.value_ = std::move(value);
      property.text_.generated = true;
      return;
    }
  }
  AppendNewProperty(name, std::move(value));
  // Keep a trailing run of Left/Top last: a non-visual component's position follows its
  // published properties.
  auto at = properties_.end() - 1;
  while (at != properties_.begin() &&
         (SameTextAscii((at - 1)->name_, "Left") || SameTextAscii((at - 1)->name_, "Top")))
    --at;
  std::rotate(at, properties_.end() - 1, properties_.end());
}

void FormObject::AppendNewProperty(std::string_view name, FormValue value) {
  FormProperty property{std::string(name), std::move(value)};
  property.text_.lead = ChildIndent();
  property.text_.generated = property.text_.fresh = true;
  properties_.push_back(std::move(property));
}

std::vector<FormObject*> FormFile::Components() {
  std::vector<FormObject*> components;
  auto collect = [&](auto& self, FormObject& object) -> void {
    for (const auto& child : object.children_) {
      components.push_back(child.get());
      if (child->kind_ != FormObjectKind::kInline) self(self, *child);
    }
  };
  collect(collect, *root_);
  return components;
}

std::vector<const FormObject*> FormFile::Components() const {
  const std::vector<FormObject*> all = const_cast<FormFile*>(this)->Components();
  return {all.begin(), all.end()};
}

std::vector<const FormObject*> FormFile::NewComponents() const {
  std::vector<const FormObject*> created;
  for (const auto& child : root_->children_)
    if (child->IsNew()) created.push_back(child.get());
  return created;
}

FormObject& FormObject::AddChild(FormObjectKind kind, std::string name, std::string class_name) {
  auto object = std::make_unique<FormObject>(kind, std::move(name), std::move(class_name));
  object->indent_ = indent_ + "  ";
  object->header_.lead = object->end_.lead = object->indent_;
  object->header_.generated = object->header_.fresh = true;
  object->end_.generated = object->end_.fresh = true;
  children_.push_back(std::move(object));
  return *children_.back();
}

FormObject& FormFile::CreateComponent(std::string_view class_name, int left, int top,
                                      std::span<const std::string> also_taken) {
  if (class_name.empty() || !IsIdentStart(class_name[0]) ||
      !std::all_of(class_name.begin(), class_name.end(), IsIdentChar))
    throw Error("Cannot create a component of class '" + std::string(class_name) +
                "': not a class name");
  std::vector<std::string_view> names(also_taken.begin(), also_taken.end());
  auto collect = [&](auto& self, const FormObject& object) -> void {
    names.push_back(object.name_);
    for (const auto& child : object.children_) self(self, *child);
  };
  collect(collect, *root_);
  std::string base(class_name.size() > 1 && (class_name[0] == 'T' || class_name[0] == 't')
                       ? class_name.substr(1)
                       : class_name);
  std::string name;
  for (long long n = 1;; ++n) {
    name = base + std::to_string(n);
    if (std::none_of(names.begin(), names.end(),
                     [&](std::string_view taken) { return SameTextAscii(taken, name); }))
      break;
  }

  FormObject& object = root_->AddChild(FormObjectKind::kObject, name, std::string(class_name));
  object.AppendNewProperty("Left", ScalarValue(FormValueKind::kInteger, std::to_string(left)));
  object.AppendNewProperty("Top", ScalarValue(FormValueKind::kInteger, std::to_string(top)));
  return object;
}

FormObject& FormFile::InheritedObject(std::span<const std::pair<std::string, std::string>> parents,
                                      std::string_view name, std::string_view class_name) {
  FormObject* holder = root_.get();
  auto step = [&](std::string_view step_name, std::string_view step_class) -> FormObject& {
    for (const auto& child : holder->children_) {
      if (!SameTextAscii(child->name_, step_name)) continue;
      if (child->kind_ == FormObjectKind::kObject)
        throw Error("Component " + child->name_ +
                    " is declared anew in a form that inherits a component of that name");
      if (!SameTextAscii(child->class_name_, step_class))
        throw Error("Component " + child->name_ + " has class " + child->class_name_ +
                    " in the form but " + std::string(step_class) + " in its ancestor");
      return *child;
    }
    return holder->AddChild(FormObjectKind::kInherited, std::string(step_name),
                            std::string(step_class));
  };
  for (const auto& [parent_name, parent_class] : parents) holder = &step(parent_name, parent_class);
  return step(name, class_name);
}

// ---------------------------------------------------------------------------------------
// Writing

class FormWriter {
 public:
  FormWriter(std::string& out, const std::string& line_end, FormFileKind kind)
      : out_(out), line_end_(line_end), kind_(kind) {}

  void WriteObject(const FormObject& object) {
    Piece(object.header_, [&] {
      static constexpr std::string_view kWords[] = {"object", "inherited", "inline"};
      std::string core(kWords[static_cast<int>(object.kind_)]);
      core += ' ';
      if (!object.name_.empty()) core += object.name_ + ": ";
      core += object.class_name_;
      if (object.index_) core += " [" + *object.index_ + "]";
      return core;
    });
    for (const FormProperty& property : object.properties_)
      Piece(property.text_,
            [&] { return property.name_ + " = " + FormatValue(property.value_, kind_); });
    for (const auto& child : object.children_) WriteObject(*child);
    Piece(object.end_, [] { return std::string("end"); });
  }

 private:
  template <typename Generate>
  void Piece(const FormText& text, Generate generate) {
    if (text.fresh) {
      // A new line of its own, even after a piece that did not end its line.
      if (!out_.empty() && out_.back() != '\n' && out_.back() != '\r') out_ += line_end_;
      out_ += text.lead + generate() + line_end_;
      return;
    }
    out_ += text.lead;
    out_ += text.generated ? generate() : text.core;
    out_ += text.tail;
  }

  std::string& out_;
  const std::string& line_end_;
  FormFileKind kind_;
};

bool FormFile::Modified() const {
  auto changed = [](auto& self, const FormObject& object) -> bool {
    if (object.header_.generated || object.end_.generated) return true;
    for (const FormProperty& property : object.properties_)
      if (property.text_.generated) return true;
    for (const auto& child : object.children_)
      if (self(self, *child)) return true;
    return false;
  };
  return changed(changed, *root_);
}

std::string FormFile::Write() const {
  if (format_ != FormFormat::kText) return WriteBinaryForm(*this);
  std::string out;
  FormWriter(out, line_end_, kind_).WriteObject(*root_);
  out += trailer_;
  return out;
}

void FormFile::Save(const std::string& path) const {
  ReplaceFile(path, Write());
}

std::optional<std::string> FindFormFile(const std::string& unit_path, FormFileKind kind) {
  const std::size_t slash = unit_path.rfind('/');
  const std::size_t dot = unit_path.rfind('.');
  const bool has_extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string base = FullPathName(has_extension ? unit_path.substr(0, dot) : unit_path);
  // A Lazarus unit converted from Delphi may still use its .dfm ({$R *.dfm}).
  if (kind == FormFileKind::kLfm)
    if (auto lfm = FindIgnoringCase(base + ".lfm")) return lfm;
  return FindIgnoringCase(base + ".dfm");
}

std::optional<std::string> FindAnyFormFile(const std::string& unit_path) {
  if (std::optional<std::string> dfm = FindFormFile(unit_path, FormFileKind::kDfm)) return dfm;
  return FindFormFile(unit_path, FormFileKind::kLfm);
}

}  // namespace polyverb
