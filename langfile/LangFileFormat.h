// The byte layout of a language file, shared by the reader (LangFile) and the writer
// (LangFileEdit). All integers are little-endian; a "short text" is one length byte and that
// many bytes; nothing is aligned. Sections follow each other directly:
//
//   A  header     "LF" "2.00"|"1.50"  (2 + 4 bytes, no length byte)
//                 CurrencyString s10, CurrencyFormat u8, NegCurrFormat u8,
//                 ThousandSeparator c, DecimalSeparator c, CurrencyDecimals u8,
//                 DateSeparator c, ShortDateFormat s12, LongDateFormat s30,
//                 TimeSeparator c, TimeAMString s6, TimePMString s6,
//                 ShortTimeFormat s20, LongTimeFormat s20,
//                 ShortMonthNames 12 x s6, LongMonthNames 12 x s20,
//                 ShortDayNames 7 x s6, LongDayNames 7 x s20, EraNames 7 x s10,
//                 EraYearOffsets 7 x i32, HeaderWord u16, HeaderByte u8, HeaderFlag u8
//                 (sN: short text whose model keeps at most N bytes)
//   B  10 reserved bytes (written as zeros, ignored when read)
//   C  fonts      FontFlag u8, count i32 (<= 0: none), then per font:
//                 FontName s255, FontWord u16, FontByte u8
//   D  20 reserved bytes
//   E  text list  count u16, then count short texts
//   F  groups     count u16, then per group: name s255, items u16,
//                 then per item: text s255, value u16
//   G  strings    count u16, then per entry: Number u16, Offset u32 ("1.50": u16), Tag u16
//   H  text pool  every byte to the end of the file; an entry's text runs from its
//                 Offset up to the next zero byte.
//
// An empty model is 138 bytes: 97 of header, 10 reserved, 5 of fonts, 20 reserved and the
// three zero counts of E, F and G.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace polyverb::lng {

inline constexpr std::string_view kSignature = "LF";
inline constexpr std::string_view kWrittenVersion = "2.00";
inline constexpr std::string_view kShortOffsetVersion = "1.50";
inline constexpr std::size_t kReservedAfterHeader = 10;
inline constexpr std::size_t kReservedAfterFonts = 20;
inline constexpr std::size_t kMaxShortText = 255;
inline constexpr std::size_t kMaxCount = 65535;
inline constexpr std::size_t kEmptyFileSize = 138;

// Capacities of the header's bounded texts.
inline constexpr std::size_t kCurrencyStringCap = 10;
inline constexpr std::size_t kShortDateFormatCap = 12;
inline constexpr std::size_t kLongDateFormatCap = 30;
inline constexpr std::size_t kTimeAmPmCap = 6;
inline constexpr std::size_t kTimeFormatCap = 20;
inline constexpr std::size_t kShortNameCap = 6;
inline constexpr std::size_t kLongNameCap = 20;
inline constexpr std::size_t kEraNameCap = 10;

// Consumes little-endian values from a byte view. Running out of data is not an error here:
// the reader checks `ok()` at the end of each section and names the section that ran past
// the end, so one message says where a file is damaged.
class ByteReader {
 public:
  explicit ByteReader(std::string_view data) : data_(data) {}

  bool Ok() const { return ok_; }
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return data_.size() - pos_; }
  std::string_view Rest() const { return data_.substr(pos_); }

  uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<uint8_t>(data_[pos_++]);
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    uint16_t v = static_cast<uint16_t>(Byte(0) | Byte(1) << 8);
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = Byte(0) | Byte(1) << 8 | Byte(2) << 16 | static_cast<uint32_t>(Byte(3)) << 24;
    pos_ += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  std::string_view Bytes(std::size_t n) {
    if (!Need(n)) return {};
    std::string_view v = data_.substr(pos_, n);
    pos_ += n;
    return v;
  }
  void Skip(std::size_t n) { Bytes(n); }
  // A short text, of which the first `capacity` bytes are kept; the stream stays in step.
  std::string ShortText(std::size_t capacity = kMaxShortText) {
    std::string_view text = Bytes(U8());
    return std::string(text.substr(0, capacity));
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  uint32_t Byte(std::size_t i) const { return static_cast<uint8_t>(data_[pos_ + i]); }

  std::string_view data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Appends little-endian values to a byte string.
class ByteWriter {
 public:
  explicit ByteWriter(std::string& out) : out_(out) {}

  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(std::string_view v) { out_.append(v); }
  void Zeros(std::size_t n) { out_.append(n, '\0'); }
  // REQUIRES: text.size() <= 255 (the caller checks and names the field).
  void ShortText(std::string_view text) {
    U8(static_cast<uint8_t>(text.size()));
    Bytes(text);
  }

 private:
  std::string& out_;
};

}  // namespace polyverb::lng
