#include "platform/Text.h"

#include <array>
#include <memory>
#include <unordered_map>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Icu.h"

namespace polyverb {
namespace {

// ICU's POSIX locale ("C") collates by code point and does not ignore case; the root
// locale gives the ordinary language-neutral order instead.
const char* CollationLocale() {
  static const std::string kLocale = [] {
    const char* name = Icu().default_locale();
    const std::string_view n = name != nullptr ? name : "";
    if (n.empty() || n == "en_US_POSIX" || n == "c" || n == "C") return std::string();
    return std::string(n);
  }();
  return kLocale.c_str();
}

// Windows-1252 as ICU's converter maps it: one code point per byte, all 256 bytes mapped.
// Tables built once make decoding and encoding a lookup per character.
struct Windows1252Tables {
  std::array<UChar32, 256> code_points;
  std::array<std::string, 256> to_utf8;
  std::unordered_map<UChar32, char> from_unicode;
};

const Windows1252Tables& Windows1252() {
  static const Windows1252Tables kTables = [] {
    const IcuConverter converter = OpenIcuConverter("windows-1252");
    if (!converter) throw Error("Cannot load the windows-1252 text converter");
    Windows1252Tables t;
    std::u16string decoded;
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      // Every byte maps to one character of the BMP: one UTF-16 unit.
      if (!ConvertToUtf16(converter.get(), std::string_view(&byte, 1), decoded) ||
          decoded.size() != 1)
        throw Error("The windows-1252 text converter does not map byte " + std::to_string(b));
      t.code_points[b] = decoded[0];
      AppendUtf8(t.to_utf8[b], decoded[0]);
      t.from_unicode.emplace(t.code_points[b], byte);
    }
    return t;
  }();
  return kTables;
}

std::u16string Decode(std::string_view text) {
  const std::string utf8 = DecodeToUtf8(text);
  // UTF-8 has no more UTF-16 units than bytes.
  std::u16string out(utf8.size() + 1, u'\0');
  int32_t n = 0;
  UErrorCode status = U_ZERO_ERROR;
  Icu().from_utf8(out.data(), static_cast<int32_t>(out.size()), &n, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) throw Error("Cannot decode text as UTF-8");
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::u16string FoldCase(const std::u16string& text) {
  const IcuFunctions& icu = Icu();
  // Full case folding may lengthen a text (sharp s folds to "ss"): ask for the length first.
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = icu.fold_case(nullptr, 0, text.data(), static_cast<int32_t>(text.size()),
                                       U_FOLD_CASE_DEFAULT, &status);
  std::u16string out(static_cast<std::size_t>(length) + 1, u'\0');
  status = U_ZERO_ERROR;
  icu.fold_case(out.data(), static_cast<int32_t>(out.size()), text.data(),
                static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) throw Error("Cannot fold the letter case of a text");
  out.resize(static_cast<std::size_t>(length));
  return out;
}

struct CollatorCloser {
  void operator()(UCollator* collator) const { Icu().close_collator(collator); }
};

UCollator* CaseIgnoringCollator() {
  static thread_local std::unique_ptr<UCollator, CollatorCloser> collator = [] {
    const IcuFunctions& icu = Icu();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCollator, CollatorCloser> c(icu.open_collator(CollationLocale(), &status));
    if (U_FAILURE(status)) throw Error("Cannot create a collator for the current locale");
    icu.set_strength(c.get(), UCOL_SECONDARY);
    return c;
  }();
  return collator.get();
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
  // An ASCII name, the usual case, needs no table: ICU is not even loaded for it.
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return AsciiLowerCase(text);
  const IcuFunctions& icu = Icu();
  if (IsValidUtf8(text)) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
      AppendUtf8(out, static_cast<std::uint32_t>(icu.to_lower(NextUtf8(text, i))));
    return out;
  }
  // Windows-1252: one byte is one character, so map byte by byte and keep the encoding. A
  // lower-case form with no Windows-1252 byte leaves the byte as it is.
  const Windows1252Tables& tables = Windows1252();
  std::string out(text);
  for (char& byte : out) {
    const auto it = tables.from_unicode.find(
        icu.to_lower(tables.code_points[static_cast<unsigned char>(byte)]));
    if (it != tables.from_unicode.end()) byte = it->second;
  }
  return out;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::u16string ua = Decode(a), ub = Decode(b);
  const IcuFunctions& icu = Icu();
  const UCollationResult r =
      icu.collate(CaseIgnoringCollator(), ua.data(), static_cast<int32_t>(ua.size()), ub.data(),
                  static_cast<int32_t>(ub.size()));
  if (r != UCOL_EQUAL) return r;
  // The collator also ignores control characters and some marks; only letter case may merge.
  const std::u16string fa = FoldCase(ua), fb = FoldCase(ub);
  const int32_t c = icu.compare(fa.data(), static_cast<int32_t>(fa.size()), fb.data(),
                                static_cast<int32_t>(fb.size()), false);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace polyverb
