// Binary form files: the reader and the writer of the layout in BinaryFormFormat.h. The
// reader keeps each value's type (and the bytes of non-integer numbers), so the writer,
// which encodes the whole tree again, gives back the bytes it read.
#include "project/BinaryForm.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "project/BinaryFormFormat.h"
#include "project/FormFile.h"

namespace polyverb {
namespace {

// Deeper nesting than any designer writes; the limit keeps a hostile file from exhausting
// the stack of the recursive reader (the text reader has the same one).
constexpr int kMaxDepth = 200;

std::string ByteCount(std::uint64_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

bool IsIntegerType(std::uint8_t type) {
  return type == dfm::kInt8 || type == dfm::kInt16 || type == dfm::kInt32 || type == dfm::kInt64;
}

std::size_t FloatSize(std::uint8_t type) {
  switch (type) {
    case dfm::kExtended:
      return dfm::kExtendedSize;
    case dfm::kSingle:
      return 4;
    case dfm::kCurrency:
    case dfm::kDate:
    case dfm::kDouble:
      return 8;
    default:
      return 0;
  }
}

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

std::string ShortestText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// An 80-bit extended as the nearest double: 64-bit mantissa with its integer bit, 15-bit
// exponent biased by 16383, sign bit on top.
double ExtendedToDouble(std::string_view bytes) {
  const std::uint64_t mantissa = LittleEndian(bytes.substr(0, 8));
  const auto top = static_cast<std::uint16_t>(LittleEndian(bytes.substr(8, 2)));
  const bool negative = (top & 0x8000) != 0;
  const int exponent = top & 0x7FFF;
  double value;
  if (exponent == 0x7FFF)
    value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::quiet_NaN();
  else
    value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  return negative ? -value : value;
}

std::string DoubleToExtended(double value) {
  std::uint64_t mantissa = 0;
  int exponent = 0;
  const bool negative = std::signbit(value);
  if (std::isnan(value)) {
    mantissa = 0xC000000000000000u;
    exponent = 0x7FFF;
  } else if (std::isinf(value)) {
    mantissa = 0x8000000000000000u;
    exponent = 0x7FFF;
  } else if (value != 0) {
    int e = 0;
    const double fraction = std::frexp(std::fabs(value), &e);  // [0.5, 1)
    mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
    exponent = e - 1 + 16383;
  }
  std::string out;
  for (int i = 0; i < 8; ++i) out += static_cast<char>((mantissa >> (8 * i)) & 0xFF);
  const auto top = static_cast<std::uint16_t>(exponent | (negative ? 0x8000 : 0));
  out += static_cast<char>(top & 0xFF);
  out += static_cast<char>(top >> 8);
  return out;
}

// The decimal rendering of a stored non-integer number, with the suffix the text form gives
// the types other than Extended.
std::string FloatText(std::uint8_t type, std::string_view raw) {
  switch (type) {
    case dfm::kExtended:
      return ShortestText(ExtendedToDouble(raw));
    case dfm::kSingle: {
      const auto bits = static_cast<std::uint32_t>(LittleEndian(raw));
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return ShortestText(f) + "s";
    }
    case dfm::kCurrency: {
      const auto units = static_cast<std::int64_t>(LittleEndian(raw));
      const std::uint64_t magnitude =
          units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
      std::string fraction = std::to_string(magnitude % 10000);
      fraction.insert(0, 4 - fraction.size(), '0');
      return (units < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction + "c";
    }
    default: {
      const std::uint64_t bits = LittleEndian(raw);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return ShortestText(d) + (type == dfm::kDate ? "d" : "");
    }
  }
}

// UTF-16 code units as UTF-8; a unit of a surrogate pair that has no partner becomes the
// 3-byte form of its value, so that the text converts back to the same units (which is
// why this does not use AppendUtf8, made for scalar values only).
std::string Utf16ToUtf8(std::string_view units) {
  std::string out;
  auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(units[2 * i]) |
                                      static_cast<unsigned char>(units[2 * i + 1]) << 8);
  };
  const std::size_t count = units.size() / 2;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < count && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(++i) - 0xDC00);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// The UTF-16 code units of UTF-8 text written by Utf16ToUtf8 (lone surrogates included);
// nullopt when `text` is no such text.
std::optional<std::string> Utf8ToUtf16(std::string_view text) {
  std::string out;
  auto put = [&](std::uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : 3;
    if ((b >= 0x80 && b < 0xC2) || b > 0xF4 || static_cast<std::size_t>(extra) >= text.size() - i)
      return std::nullopt;
    std::uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (c & 0x3F);
    }
    const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[extra] || cp > 0x10FFFF) return std::nullopt;
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

char HexDigit(int v) {
  return "0123456789ABCDEF"[v & 15];
}

// "-12", "$7F" (as a text form writes them) as a number; nullopt when it is none.
std::optional<std::int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  std::uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (base == 16 && !negative) return static_cast<std::int64_t>(magnitude);
  if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1)
    return std::nullopt;
  if (negative) return static_cast<std::int64_t>(0 - magnitude);
  if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

}  // namespace

bool IsBinaryForm(std::string_view bytes) {
  return bytes.starts_with(dfm::kSignature) || bytes.starts_with(dfm::kResourceType);
}

// ---------------------------------------------------------------------------------------
// Reading

class BinaryFormReader {
 public:
  BinaryFormReader(std::string_view bytes, std::string_view name) : data_(bytes), name_(name) {}

  FormFile Read() {
    FormFile file;
    file.format_ = FormFormat::kBinary;
    if (data_.starts_with(dfm::kResourceType)) ReadResourceHeader(file);
    const std::size_t signature = pos_;
    if (Take(dfm::kSignature.size(), "the signature") != dfm::kSignature)
      Fail(signature, "expected the signature TPF0");
    file.root_ = ReadObject(0);
    if (pos_ != data_.size())
      Fail(pos_, ByteCount(data_.size() - pos_) + " after the end of the root object");
    return file;
  }

 private:
  [[noreturn]] void Fail(std::size_t offset, const std::string& what) const {
    throw Error("Form file " + std::string(name_) + ", offset " + std::to_string(offset) + ": " +
                what);
  }

  std::string_view Take(std::size_t n, std::string_view what) {
    if (n > data_.size() - pos_)
      Fail(pos_, std::string(what) + " runs past the end of the file (" + ByteCount(n) +
                     " needed, " + std::to_string(data_.size() - pos_) + " left)");
    const std::string_view bytes = data_.substr(pos_, n);
    pos_ += n;
    return bytes;
  }
  std::uint8_t Byte(std::string_view what) { return static_cast<std::uint8_t>(Take(1, what)[0]); }
  std::uint8_t Peek(std::string_view what) {
    if (pos_ >= data_.size()) Fail(pos_, "the file ends inside " + std::string(what));
    return static_cast<std::uint8_t>(data_[pos_]);
  }
  std::uint64_t Unsigned(std::size_t n, std::string_view what) {
    return LittleEndian(Take(n, what));
  }
  std::string ShortString(std::string_view what) {
    const std::size_t at = pos_;
    const std::uint8_t length = Byte(what);
    if (length > data_.size() - pos_)
      Fail(at, std::string(what) + " of " + ByteCount(length) + " runs past the end of the file");
    return std::string(Take(length, what));
  }
  std::string_view LongBytes(std::size_t unit, std::string_view what) {
    const std::size_t at = pos_;
    const std::uint64_t count = Unsigned(4, what);
    if (count * unit > data_.size() - pos_)
      Fail(at,
           std::string(what) + " of " + ByteCount(count * unit) + " runs past the end of the file");
    return Take(static_cast<std::size_t>(count * unit), what);
  }

  void ReadResourceHeader(FormFile& file) {
    file.format_ = FormFormat::kResource;
    pos_ = dfm::kResourceType.size();
    const std::size_t name_start = pos_;
    if (Peek("the resource header") == 0xFF) {
      Take(3, "the resource name");
    } else {
      const std::size_t zero = data_.find('\0', pos_);
      if (zero == std::string_view::npos)
        Fail(pos_, "the resource name is not ended by a zero byte");
      pos_ = zero + 1;
    }
    file.resource_name_ = std::string(data_.substr(name_start, pos_ - name_start));
    file.resource_flags_ = static_cast<std::uint16_t>(Unsigned(2, "the resource header"));
    const std::size_t size_at = pos_;
    const std::uint64_t size = Unsigned(4, "the resource header");
    if (size != data_.size() - pos_)
      Fail(size_at, "the resource header gives " + ByteCount(size) + " of form data, but " +
                        std::to_string(data_.size() - pos_) + " follow");
  }

  void CheckDepth(int depth) const {
    if (depth > kMaxDepth) Fail(pos_, "nested too deeply");
  }

  // An integer value, its type byte first; gives its decimal text and type.
  std::string Integer(std::uint8_t& type, std::string_view what) {
    const std::size_t at = pos_;
    type = Byte(what);
    if (!IsIntegerType(type))
      Fail(at, "expected an integer for " + std::string(what) + ", found value type " +
                   std::to_string(type));
    return IntegerBody(type, what);
  }
  std::string IntegerBody(std::uint8_t type, std::string_view what) {
    const std::size_t n = type == dfm::kInt8    ? 1
                          : type == dfm::kInt16 ? 2
                          : type == dfm::kInt32 ? 4
                                                : 8;
    const std::uint64_t bits = Unsigned(n, what);
    const unsigned shift = static_cast<unsigned>(64 - 8 * n);
    // Sign-extend from n bytes.
    const auto value = static_cast<std::int64_t>(bits << shift) >> shift;
    return std::to_string(value);
  }

  std::unique_ptr<FormObject> ReadObject(int depth) {
    CheckDepth(depth);
    const std::size_t start = pos_;
    std::optional<std::uint8_t> flags;
    std::optional<std::string> child_pos;
    std::optional<std::uint8_t> child_pos_type;
    if ((Peek("an object") & 0xF0) == dfm::kFilerFlagsMark) {
      flags = Byte("the filer flags");
      if ((*flags & dfm::kFlagChildPos) != 0) {
        std::uint8_t type = 0;
        child_pos = Integer(type, "the child position");
        child_pos_type = type;
      }
    }
    std::string class_name = ShortString("a class name");
    if (class_name.empty()) Fail(start, "an object without a class name");
    std::string name = ShortString("an object name");
    const std::uint8_t f = flags.value_or(0);
    const FormObjectKind kind = (f & dfm::kFlagInherited) != 0 ? FormObjectKind::kInherited
                                : (f & dfm::kFlagInline) != 0  ? FormObjectKind::kInline
                                                               : FormObjectKind::kObject;
    auto object = std::make_unique<FormObject>(kind, std::move(name), std::move(class_name));
    object->filer_flags_ = flags;
    object->index_ = std::move(child_pos);
    object->index_type_ = child_pos_type;
    ReadProperties(object->properties_, depth, "the properties of an object");
    while (Peek("the objects of an object") != 0)
      object->children_.push_back(ReadObject(depth + 1));
    ++pos_;
    return object;
  }

  void ReadProperties(std::vector<FormProperty>& properties, int depth, std::string_view what) {
    while (Peek(what) != 0) {
      std::string name = ShortString("a property name");
      properties.emplace_back(std::move(name), ReadValue(depth + 1));
    }
    ++pos_;
  }

  FormValue ReadValue(int depth) {
    CheckDepth(depth);
    const std::size_t at = pos_;
    FormValue value;
    const std::uint8_t type = Byte("a value");
    value.binary_type = type;
    switch (type) {
      case dfm::kInt8:
      case dfm::kInt16:
      case dfm::kInt32:
      case dfm::kInt64:
        value.kind = FormValueKind::kInteger;
        value.text = IntegerBody(type, "an integer");
        return value;
      case dfm::kExtended:
      case dfm::kSingle:
      case dfm::kCurrency:
      case dfm::kDate:
      case dfm::kDouble:
        value.kind = FormValueKind::kFloat;
        value.raw = std::string(Take(FloatSize(type), "a number"));
        value.text = FloatText(type, value.raw);
        return value;
      case dfm::kString:
        value.kind = FormValueKind::kString;
        value.text = ShortString("a string");
        return value;
      case dfm::kLString:
      case dfm::kUtf8String:
        value.kind = FormValueKind::kString;
        value.text = std::string(LongBytes(1, "a string"));
        return value;
      case dfm::kWString:
        value.kind = FormValueKind::kString;
        value.text = Utf16ToUtf8(LongBytes(2, "a string"));
        return value;
      case dfm::kIdent:
        value.kind = FormValueKind::kIdentifier;
        value.text = ShortString("an identifier");
        return value;
      case dfm::kNull:
      case dfm::kFalse:
      case dfm::kTrue:
      case dfm::kNil:
        value.kind = FormValueKind::kIdentifier;
        value.text = type == dfm::kNull    ? "Null"
                     : type == dfm::kFalse ? "False"
                     : type == dfm::kTrue  ? "True"
                                           : "nil";
        return value;
      case dfm::kBinary: {
        value.kind = FormValueKind::kBinary;
        const std::string_view bytes = LongBytes(1, "binary data");
        value.text.reserve(bytes.size() * 2);
        for (char c : bytes) {
          value.text += HexDigit(static_cast<unsigned char>(c) >> 4);
          value.text += HexDigit(c);
        }
        return value;
      }
      case dfm::kSet:
        value.kind = FormValueKind::kSet;
        for (std::string element = ShortString("a set element"); !element.empty();
             element = ShortString("a set element"))
          value.elements.push_back(std::move(element));
        return value;
      case dfm::kList:
        value.kind = FormValueKind::kList;
        while (Peek("a list") != 0) value.items.push_back(ReadValue(depth + 1));
        ++pos_;
        return value;
      case dfm::kCollection:
        value.kind = FormValueKind::kCollection;
        while (Peek("a collection") != 0) value.collection.push_back(ReadItem(depth + 1));
        ++pos_;
        return value;
      default:
        Fail(at, "unknown value type " + std::to_string(type));
    }
  }

  FormCollectionItem ReadItem(int depth) {
    CheckDepth(depth);
    FormCollectionItem item;
    if (IsIntegerType(Peek("a collection item"))) {
      std::uint8_t type = 0;
      item.index = Integer(type, "the index of a collection item");
      item.index_type = type;
    }
    const std::size_t at = pos_;
    if (Byte("a collection item") != dfm::kList)
      Fail(at, "expected the start of a collection item (value type 1)");
    ReadProperties(item.properties, depth, "a collection item");
    return item;
  }

  std::string_view data_;
  std::string_view name_;
  std::size_t pos_ = 0;
};

FormFile ReadBinaryForm(std::string_view bytes, std::string_view file_name) {
  return BinaryFormReader(bytes, file_name).Read();
}

// ---------------------------------------------------------------------------------------
// Writing

class BinaryFormWriter {
 public:
  explicit BinaryFormWriter(std::string& out) : out_(out) {}

  void Write(const FormFile& file) {
    std::string stream;
    {
      BinaryFormWriter body(stream);
      stream += dfm::kSignature;
      body.Object(*file.root_);
    }
    if (file.format_ == FormFormat::kResource) {
      out_ += dfm::kResourceType;
      out_ += file.resource_name_;
      Unsigned(file.resource_flags_, 2);
      Unsigned(stream.size(), 4);
    }
    out_ += stream;
  }

 private:
  void Unsigned(std::uint64_t value, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out_ += static_cast<char>((value >> (8 * i)) & 0xFF);
  }

  void ShortString(std::string_view text, std::string_view what) {
    if (text.size() > 255)
      throw Error("A binary form file cannot hold " + std::string(what) + " of " +
                  std::to_string(text.size()) +
                  " bytes (at most 255): " + std::string(text.substr(0, 40)) + "...");
    out_ += static_cast<char>(text.size());
    out_ += text;
  }

  void LongBytes(std::string_view bytes, std::size_t units) {
    if (units > 0xFFFFFFFFu)
      throw Error("A binary form file cannot hold a value of more than 4 GB");
    Unsigned(units, 4);
    out_ += bytes;
  }

  // The integer `text` in `type`, or in the smallest type that holds it (as a designer
  // stores integers).
  void Integer(const std::string& text, std::optional<std::uint8_t> type) {
    const std::optional<std::int64_t> value = ParseInteger(text);
    if (!value) throw Error("A binary form file cannot hold the integer '" + text + "'");
    const std::int64_t v = *value;
    std::uint8_t t;
    if (type) {
      t = *type;
    } else {
      t = v >= -128 && v <= 127       ? dfm::kInt8
          : v >= -32768 && v <= 32767 ? dfm::kInt16
          : v >= std::numeric_limits<std::int32_t>::min() &&
                  v <= std::numeric_limits<std::int32_t>::max()
              ? dfm::kInt32
              : dfm::kInt64;
    }
    const std::size_t n = t == dfm::kInt8 ? 1 : t == dfm::kInt16 ? 2 : t == dfm::kInt32 ? 4 : 8;
    if (n < 8) {
      const std::int64_t limit = std::int64_t{1} << (8 * n - 1);
      if (v < -limit || v >= limit)
        throw Error("A binary form file cannot hold the integer " + text + " in " +
                    std::to_string(n) + " bytes");
    }
    out_ += static_cast<char>(t);
    Unsigned(static_cast<std::uint64_t>(v), n);
  }

  void Object(const FormObject& object) {
    std::optional<std::uint8_t> flags = object.filer_flags_;
    if (!flags) {
      std::uint8_t f = object.kind_ == FormObjectKind::kInherited ? dfm::kFlagInherited
                       : object.kind_ == FormObjectKind::kInline  ? dfm::kFlagInline
                                                                  : 0;
      if (object.index_) f |= dfm::kFlagChildPos;
      if (f != 0) flags = static_cast<std::uint8_t>(dfm::kFilerFlagsMark | f);
    }
    if (flags) {
      out_ += static_cast<char>(*flags);
      if ((*flags & dfm::kFlagChildPos) != 0)
        Integer(object.index_.value_or("0"), object.index_type_);
    }
    ShortString(object.class_name_, "a class name");
    ShortString(object.name_, "an object name");
    Properties(object.properties_);
    for (const auto& child : object.children_) Object(*child);
    out_ += '\0';
  }

  void Properties(const std::vector<FormProperty>& properties) {
    for (const FormProperty& property : properties) {
      ShortString(property.Name(), "a property name");
      Value(property.Value());
    }
    out_ += '\0';
  }

  void Value(const FormValue& value) {
    const std::uint8_t type = value.binary_type.value_or(TypeFor(value));
    if (IsIntegerType(type)) return Integer(value.text, value.binary_type);
    out_ += static_cast<char>(type);
    switch (type) {
      case dfm::kExtended:
      case dfm::kSingle:
      case dfm::kCurrency:
      case dfm::kDate:
      case dfm::kDouble:
        if (value.raw.size() == FloatSize(type)) {
          out_ += value.raw;
        } else {
          // Made by a caller: stored as an Extended (the type chosen for it).
          out_ += DoubleToExtended(std::strtod(value.text.c_str(), nullptr));
        }
        return;
      case dfm::kString:
        return ShortString(value.text, "a short string");
      case dfm::kLString:
      case dfm::kUtf8String:
        return LongBytes(value.text, value.text.size());
      case dfm::kWString: {
        const std::optional<std::string> units = Utf8ToUtf16(value.text);
        if (!units) throw Error("A binary form file cannot hold a wide string that is not UTF-8");
        return LongBytes(*units, units->size() / 2);
      }
      case dfm::kIdent:
        return ShortString(value.text, "an identifier");
      case dfm::kNull:
      case dfm::kFalse:
      case dfm::kTrue:
      case dfm::kNil:
        return;
      case dfm::kBinary: {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < value.text.size(); i += 2)
          bytes += static_cast<char>(HexDigitValue(value.text[i]) * 16 +
                                     HexDigitValue(value.text[i + 1]));
        return LongBytes(bytes, bytes.size());
      }
      case dfm::kSet:
        for (const std::string& element : value.elements) ShortString(element, "a set element");
        out_ += '\0';
        return;
      case dfm::kList:
        for (const FormValue& item : value.items) Value(item);
        out_ += '\0';
        return;
      case dfm::kCollection:
        for (const FormCollectionItem& item : value.collection) {
          if (item.index) Integer(*item.index, item.index_type);
          out_ += static_cast<char>(dfm::kList);
          Properties(item.properties);
        }
        out_ += '\0';
        return;
      default:
        throw Error("A binary form file has no value type " + std::to_string(type));
    }
  }

  // The type a designer stores a value made by a caller with.
  static std::uint8_t TypeFor(const FormValue& value) {
    switch (value.kind) {
      case FormValueKind::kInteger:
        return dfm::kInt32;  // the width Integer() picks
      case FormValueKind::kFloat:
        return dfm::kExtended;
      case FormValueKind::kString: {
        const bool ascii = std::all_of(value.text.begin(), value.text.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        // UTF-8 text goes as UTF-16, which every reader takes as text; other bytes as
        // they stand.
        if (!ascii && IsValidUtf8(value.text)) return dfm::kWString;
        return value.text.size() <= 255 ? dfm::kString : dfm::kLString;
      }
      case FormValueKind::kIdentifier:
        if (SameTextAscii(value.text, "True")) return dfm::kTrue;
        if (SameTextAscii(value.text, "False")) return dfm::kFalse;
        if (SameTextAscii(value.text, "nil")) return dfm::kNil;
        if (SameTextAscii(value.text, "Null")) return dfm::kNull;
        return dfm::kIdent;
      case FormValueKind::kSet:
        return dfm::kSet;
      case FormValueKind::kBinary:
        return dfm::kBinary;
      case FormValueKind::kCollection:
        return dfm::kCollection;
      case FormValueKind::kList:
        return dfm::kList;
    }
    return dfm::kIdent;
  }

  std::string& out_;
};

std::string WriteBinaryForm(const FormFile& form) {
  std::string out;
  BinaryFormWriter(out).Write(form);
  return out;
}

}  // namespace polyverb
