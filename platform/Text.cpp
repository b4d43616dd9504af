#include "platform/Text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <unordered_map>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

// ICU's POSIX locale ("C") collates by code point and does not ignore case; the root
// locale gives the ordinary language-neutral order instead.
const icu::Locale& ProcessLocale() {
  static const icu::Locale kLocale = [] {
    icu::Locale def = icu::Locale::getDefault();
    std::string_view name = def.getName();
    if (name.empty() || name == "en_US_POSIX" || name == "c" || name == "C" || def.isBogus())
      return icu::Locale::getRoot();
    return def;
  }();
  return kLocale;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};

// Windows-1252 as ICU's converter maps it: one code point per byte, all 256 bytes mapped.
// Tables built once make decoding and encoding a lookup per character.
struct Windows1252Tables {
  std::array<UChar32, 256> code_points;
  std::array<std::string, 256> to_utf8;
  std::unordered_map<UChar32, char> from_unicode;
};

const Windows1252Tables& Windows1252() {
  static const Windows1252Tables kTables = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("windows-1252", &status));
    if (U_FAILURE(status)) throw Error("Cannot load the windows-1252 text converter");
    // Stop at a byte the charset does not define instead of substituting one.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    Windows1252Tables t;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      icu::UnicodeString decoded(&byte, 1, converter.get(), status);
      if (U_FAILURE(status) || decoded.countChar32() != 1)
        throw Error("The windows-1252 text converter does not map byte " + std::to_string(b));
      t.code_points[b] = decoded.char32At(0);
      decoded.toUTF8String(t.to_utf8[b]);
      t.from_unicode.emplace(t.code_points[b], byte);
    }
    return t;
  }();
  return kTables;
}

icu::UnicodeString Decode(std::string_view text) {
  const std::string utf8 = DecodeToUtf8(text);
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
}

icu::Collator& CaseIgnoringCollator() {
  static thread_local std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(ProcessLocale(), status));
    if (U_FAILURE(status)) throw Error("Cannot create a collator for the current locale");
    c->setStrength(icu::Collator::SECONDARY);
    return c;
  }();
  return *collator;
}

}  // namespace

std::string DecodeToUtf8(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
}

std::string Windows1252ToUtf8(std::string_view text) {
  const auto& table = Windows1252().to_utf8;
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) out += table[static_cast<unsigned char>(c)];
  return out;
}

std::optional<std::int32_t> Utf8ToWindows1252(std::string_view text, std::string& out) {
  const auto& table = Windows1252().from_unicode;
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::int32_t c = NextUtf8(text, i);
    const auto it = table.find(c);
    if (it == table.end()) return c;
    out += it->second;
  }
  return std::nullopt;
}

std::string LowerCase(std::string_view text) {
  // Simple (one-to-one) case mapping, the same in every locale: the run-time units lower
  // the same name with the same table to find the file this system wrote, so the two must
  // never disagree (full mapping would turn a final sigma or a dotted capital I otherwise).
  if (IsValidUtf8(text)) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
      AppendUtf8(out, static_cast<std::uint32_t>(u_tolower(NextUtf8(text, i))));
    return out;
  }
  // Windows-1252: one byte is one character, so map byte by byte and keep the encoding. A
  // lower-case form with no Windows-1252 byte leaves the byte as it is.
  const Windows1252Tables& tables = Windows1252();
  std::string out(text);
  for (char& byte : out) {
    const auto it =
        tables.from_unicode.find(u_tolower(tables.code_points[static_cast<unsigned char>(byte)]));
    if (it != tables.from_unicode.end()) byte = it->second;
  }
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  icu::UnicodeString ua = Decode(a), ub = Decode(b);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = CaseIgnoringCollator().compare(ua, ub, status);
  if (U_FAILURE(status)) throw Error("Cannot compare texts in the current locale");
  if (r != UCOL_EQUAL) return r;
  // The collator also ignores control characters and some marks; only letter case may merge.
  return ua.foldCase().compare(ub.foldCase());
}

}  // namespace polyverb
