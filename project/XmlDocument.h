// A small XML reader for project files (.lpi): elements and their attributes, with the
// byte offsets of every tag, so that an edit can splice new text into the original bytes
// and leave everything else as it was.
//
//   <?xml version="1.0"?>                 declaration, processing instructions, comments,
//   <CONFIG>                              a DOCTYPE: skipped
//     <Units Count="2">                   element: name, attributes (values decoded)
//       <Unit0><Filename Value="a.pas"/></Unit0>
//     </Units>                            character data between elements: not kept
//   </CONFIG>
//
// Not a validating parser: it accepts what a well-formed document holds and reports what
// breaks the nesting or the syntax of tags, attributes and references.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace polyverb {

struct XmlAttribute {
  std::string name;
  std::string value;                           // references (&amp; &#233; ...) resolved, as UTF-8
  std::size_t value_begin = 0, value_end = 0;  // the quoted value's bytes, quotes excluded
};

struct XmlElement {
  std::string name;
  std::vector<XmlAttribute> attributes;
  std::vector<XmlElement> children;
  std::size_t begin = 0;        // the '<' of the start tag
  std::size_t open_end = 0;     // just past the start tag's '>'
  std::size_t close_begin = 0;  // the '<' of the end tag; open_end for an empty-element tag
  std::size_t end = 0;          // just past the element's last '>'

  bool IsEmptyTag() const { return close_begin == open_end && end == open_end; }
  // The first child called `name` (exact), or null.
  const XmlElement* Child(std::string_view name) const;
  // The element at the end of a path of child names, or null.
  const XmlElement* Find(std::initializer_list<std::string_view> path) const;
  const XmlAttribute* Attribute(std::string_view name) const;
  // The decoded value of attribute `name`, or nullopt.
  std::optional<std::string> AttributeValue(std::string_view name) const;
};

// Parses `bytes` and returns the root element. `file_name` only words errors. Throws
// Error "Project file NAME, line N: WHAT".
XmlElement ParseXml(std::string_view bytes, std::string_view file_name);

// `text` with & < > " escaped for an attribute value in double quotes.
std::string EscapeXml(std::string_view text);

}  // namespace polyverb
