// The byte layout of a binary form file, shared by the reader and the writer
// (BinaryForm.cpp). Integers are little-endian; nothing is aligned. "s" is a short string:
// one length byte and that many bytes.
//
//   resource header (optional; what a form designer saves)
//     FF 0A 00          resource type 10 (RCDATA) in the 16-bit layout
//     NAME 00           the form's class name, upper case (or FF and a 16-bit ordinal)
//     flags u16         memory flags (30 10)
//     size u32          the number of bytes after the header: the whole stream below
//   stream
//     "TPF0"            signature
//     object            the root object
//   object
//     [F0|flags]        filer flags, when any: 1 inherited, 2 child position, 4 inline
//     [integer value]   the child position, with flag 2
//     class s, name s   (the name may be empty)
//     property* 00      property: name s (dotted: "Font.Name"), value
//     object* 00        the objects it holds
//   value               a type byte (ValueType), then:
//     Null False True Nil                nothing
//     Int8 Int16 Int32 Int64             1, 2, 4 or 8 bytes, signed
//     Single Currency Date Double        4 bytes; 8 (an integer, value x 10000); 8; 8
//     Extended                           10 bytes (80-bit)
//     String Ident                       s
//     LString UTF8String Binary          u32 length, that many bytes
//     WString                            u32 length in UTF-16 code units, 2 bytes each
//     Set                                s* and an empty s
//     List                               value* 00
//     Collection                         item* 00; item: [integer value] 01 property* 00
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace polyverb::dfm {

inline constexpr std::string_view kSignature = "TPF0";
inline constexpr std::string_view kResourceType = std::string_view("\xFF\x0A\x00", 3);
// Header bytes after the name: flags and size.
inline constexpr std::size_t kResourceTailSize = 6;

enum ValueType : std::uint8_t {
  kNull = 0,
  kList = 1,
  kInt8 = 2,
  kInt16 = 3,
  kInt32 = 4,
  kExtended = 5,
  kString = 6,
  kIdent = 7,
  kFalse = 8,
  kTrue = 9,
  kBinary = 10,
  kSet = 11,
  kLString = 12,
  kNil = 13,
  kCollection = 14,
  kSingle = 15,
  kCurrency = 16,
  kDate = 17,
  kWString = 18,
  kInt64 = 19,
  kUtf8String = 20,
  kDouble = 21,
};

inline constexpr std::uint8_t kFilerFlagsMark = 0xF0;
inline constexpr std::uint8_t kFlagInherited = 1;
inline constexpr std::uint8_t kFlagChildPos = 2;
inline constexpr std::uint8_t kFlagInline = 4;

inline constexpr std::size_t kExtendedSize = 10;

}  // namespace polyverb::dfm
