#include "platform/Text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <memory>

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

UConverter* Windows1252() {
  static thread_local std::unique_ptr<UConverter, ConverterCloser> converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open("windows-1252", &status);
    if (U_FAILURE(status)) throw Error("Cannot load the windows-1252 text converter");
    return std::unique_ptr<UConverter, ConverterCloser>(c);
  }();
  return converter.get();
}

icu::UnicodeString DecodeWindows1252(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString result(text.data(), static_cast<int32_t>(text.size()), Windows1252(), status);
  if (U_FAILURE(status)) throw Error("Cannot decode text as windows-1252");
  return result;
}

icu::UnicodeString Decode(std::string_view text) {
  if (IsValidUtf8(text))
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  return DecodeWindows1252(text);
}

// Encodes one character as a single Windows-1252 byte, if it has one.
bool EncodeWindows1252(UChar32 c, char& out) {
  icu::UnicodeString s(c);
  char buffer[8];
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = Windows1252();
  ucnv_reset(conv);
  // Stop at an unmappable character instead of substituting one.
  ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  int32_t n = s.extract(buffer, sizeof buffer, conv, status);
  if (U_FAILURE(status) || n != 1) return false;
  out = buffer[0];
  return true;
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
  if (IsValidUtf8(text)) return std::string(text);
  std::string out;
  DecodeWindows1252(text).toUTF8String(out);
  return out;
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
  // Windows-1252: one byte is one character, so map byte by byte and keep the encoding.
  std::string out(text);
  for (char& byte : out) {
    UChar32 c = DecodeWindows1252(std::string_view(&byte, 1)).char32At(0);
    char lowered;
    if (EncodeWindows1252(u_tolower(c), lowered)) byte = lowered;
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
