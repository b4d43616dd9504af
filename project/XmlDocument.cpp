#include "project/XmlDocument.h"

#include <algorithm>
#include <cstdint>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

// Far deeper than any project file; keeps a hostile file from exhausting the stack.
constexpr int kMaxDepth = 200;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsNameStart(char c) {
  return IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 128;
}
bool IsNameChar(char c) {
  return IsNameStart(c) || IsAsciiDigit(c) || c == '-' || c == '.';
}

class XmlParser {
 public:
  XmlParser(std::string_view src, std::string_view name) : src_(src), name_(name) {}

  XmlElement Parse() {
    if (src_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
    SkipMisc();
    if (!At("<") || pos_ + 1 >= src_.size() || !IsNameStart(src_[pos_ + 1]))
      Fail(pos_, "expected the root element, found " + Shown());
    XmlElement root = ParseElement(0);
    SkipMisc();
    if (pos_ < src_.size()) Fail(pos_, "text after the root element: " + Shown());
    return root;
  }

 private:
  [[noreturn]] void Fail(std::size_t offset, const std::string& what) const {
    const std::size_t line =
        1 + static_cast<std::size_t>(std::count(
                src_.begin(),
                src_.begin() + static_cast<std::ptrdiff_t>(std::min(offset, src_.size())), '\n'));
    throw Error("Project file " + std::string(name_) + ", line " + std::to_string(line) + ": " +
                what);
  }

  std::string Shown() const {
    if (pos_ >= src_.size()) return "the end of the file";
    std::string_view rest = src_.substr(pos_, 20);
    rest = rest.substr(0, rest.find_first_of("\r\n"));
    return "'" + std::string(rest) + (src_.size() - pos_ > rest.size() ? "...'" : "'");
  }

  bool At(std::string_view text) const { return src_.substr(pos_).starts_with(text); }

  void SkipSpace() {
    while (pos_ < src_.size() && IsSpace(src_[pos_])) ++pos_;
  }

  // Skips past `terminator`, failing with `what` when the file ends first.
  void SkipPast(std::string_view terminator, std::string_view what) {
    const std::size_t at = src_.find(terminator, pos_);
    if (at == std::string_view::npos) Fail(pos_, std::string(what) + " not closed");
    pos_ = at + terminator.size();
  }

  // Blank space, comments, processing instructions and a DOCTYPE outside the root.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (At("<!--")) {
        SkipPast("-->", "comment");
      } else if (At("<?")) {
        SkipPast("?>", "processing instruction");
      } else if (At("<!DOCTYPE")) {
        SkipDoctype();
      } else {
        return;
      }
    }
  }

  void SkipDoctype() {
    const std::size_t start = pos_;
    int brackets = 0;
    for (; pos_ < src_.size(); ++pos_) {
      const char c = src_[pos_];
      if (c == '[') ++brackets;
      if (c == ']') --brackets;
      if (c == '>' && brackets <= 0) {
        ++pos_;
        return;
      }
    }
    Fail(start, "DOCTYPE not closed");
  }

  std::string TakeName(std::string_view what) {
    if (pos_ >= src_.size() || !IsNameStart(src_[pos_]))
      Fail(pos_, "expected " + std::string(what) + ", found " + Shown());
    const std::size_t start = pos_;
    while (pos_ < src_.size() && IsNameChar(src_[pos_])) ++pos_;
    return std::string(src_.substr(start, pos_ - start));
  }

  // Resolves the references in an attribute value or character data.
  std::string Decode(std::size_t begin, std::size_t end) const {
    std::string out;
    for (std::size_t p = begin; p < end;) {
      if (src_[p] != '&') {
        out += src_[p++];
        continue;
      }
      const std::size_t semicolon = src_.find(';', p);
      if (semicolon == std::string_view::npos || semicolon >= end)
        Fail(p, "'&' without ';' in an attribute value");
      const std::string_view ref = src_.substr(p + 1, semicolon - p - 1);
      if (ref == "amp") {
        out += '&';
      } else if (ref == "lt") {
        out += '<';
      } else if (ref == "gt") {
        out += '>';
      } else if (ref == "quot") {
        out += '"';
      } else if (ref == "apos") {
        out += '\'';
      } else if (ref.size() > 1 && ref[0] == '#') {
        const bool hex = ref[1] == 'x';
        std::uint32_t code = 0;
        std::string_view digits = ref.substr(hex ? 2 : 1);
        bool ok = !digits.empty();
        for (char c : digits) {
          ok = ok && (hex ? IsAsciiHexDigit(c) : IsAsciiDigit(c));
          if (!ok) break;
          code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(HexDigitValue(c));
          ok = code <= 0x10FFFF;
        }
        if (!ok || code == 0 || (code >= 0xD800 && code <= 0xDFFF))
          Fail(p, "invalid character reference '&" + std::string(ref) + ";'");
        AppendUtf8(out, code);
      } else {
        Fail(p, "unknown entity '&" + std::string(ref.substr(0, 20)) + ";'");
      }
      p = semicolon + 1;
    }
    return out;
  }

  XmlElement ParseElement(int depth) {
    if (depth > kMaxDepth) Fail(pos_, "elements nested too deeply");
    XmlElement element;
    element.begin = pos_++;
    element.name = TakeName("an element name");
    for (;;) {
      const std::size_t before = pos_;
      SkipSpace();
      if (At("/>")) {
        pos_ += 2;
        element.open_end = element.close_begin = element.end = pos_;
        return element;
      }
      if (At(">")) {
        element.open_end = ++pos_;
        break;
      }
      if (pos_ == before) Fail(pos_, "expected '>', '/>' or an attribute, found " + Shown());
      XmlAttribute attribute;
      attribute.name = TakeName("an attribute name");
      SkipSpace();
      if (!At("=")) Fail(pos_, "expected '=' after attribute " + attribute.name);
      ++pos_;
      SkipSpace();
      if (!At("\"") && !At("'")) Fail(pos_, "expected a quoted value for " + attribute.name);
      const char quote = src_[pos_++];
      const std::size_t close = src_.find(quote, pos_);
      if (close == std::string_view::npos) Fail(pos_ - 1, "attribute value not closed");
      if (src_.substr(pos_, close - pos_).find('<') != std::string_view::npos)
        Fail(pos_, "'<' in the value of attribute " + attribute.name);
      attribute.value_begin = pos_;
      attribute.value_end = close;
      attribute.value = Decode(pos_, close);
      pos_ = close + 1;
      if (element.Attribute(attribute.name) != nullptr)
        Fail(attribute.value_begin, "attribute " + attribute.name + " given twice");
      element.attributes.push_back(std::move(attribute));
    }

    // Content: character data, comments, CDATA, processing instructions, children.
    for (;;) {
      const std::size_t lt = src_.find('<', pos_);
      if (lt == std::string_view::npos)
        Fail(element.begin, "element " + element.name + " not closed");
      pos_ = lt;
      if (At("</")) {
        element.close_begin = pos_;
        pos_ += 2;
        const std::size_t name_at = pos_;
        const std::string name = TakeName("an element name after '</'");
        if (name != element.name)
          Fail(name_at, "end tag </" + name + "> does not close <" + element.name + ">");
        SkipSpace();
        if (!At(">")) Fail(pos_, "expected '>' after </" + name);
        element.end = ++pos_;
        return element;
      }
      if (At("<!--")) {
        SkipPast("-->", "comment");
      } else if (At("<![CDATA[")) {
        SkipPast("]]>", "CDATA section");
      } else if (At("<?")) {
        SkipPast("?>", "processing instruction");
      } else if (pos_ + 1 < src_.size() && IsNameStart(src_[pos_ + 1])) {
        element.children.push_back(ParseElement(depth + 1));
      } else {
        Fail(pos_, "unexpected '<' in the content of " + element.name);
      }
    }
  }

  std::string_view src_;
  std::string_view name_;
  std::size_t pos_ = 0;
};

}  // namespace

const XmlElement* XmlElement::Child(std::string_view name) const {
  for (const XmlElement& child : children)
    if (child.name == name) return &child;
  return nullptr;
}

const XmlElement* XmlElement::Find(std::initializer_list<std::string_view> path) const {
  const XmlElement* at = this;
  for (std::string_view name : path) {
    at = at->Child(name);
    if (at == nullptr) return nullptr;
  }
  return at;
}

const XmlAttribute* XmlElement::Attribute(std::string_view name) const {
  for (const XmlAttribute& attribute : attributes)
    if (attribute.name == name) return &attribute;
  return nullptr;
}

std::optional<std::string> XmlElement::AttributeValue(std::string_view name) const {
  const XmlAttribute* attribute = Attribute(name);
  if (attribute == nullptr) return std::nullopt;
  return attribute->value;
}

XmlElement ParseXml(std::string_view bytes, std::string_view file_name) {
  return XmlParser(bytes, file_name).Parse();
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace polyverb
