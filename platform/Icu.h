// The functions of ICU (the system's Unicode library) that the locale services use, from
// ICU's libraries loaded when one is first needed. Most commands compare and convert no
// text at all, and loading ICU at start-up is most of a short command's time.
#pragma once

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <memory>
#include <string>
#include <string_view>

namespace polyverb {

// ICU's C functions of the same type, named after what they do.
struct IcuFunctions {
  decltype(&::u_tolower) to_lower;
  decltype(&::u_strFromUTF8) from_utf8;
  decltype(&::u_strToUTF8WithSub) to_utf8;
  decltype(&::u_strFoldCase) fold_case;
  decltype(&::u_strCompare) compare;
  decltype(&::uloc_getDefault) default_locale;
  decltype(&::ucnv_open) open_converter;
  decltype(&::ucnv_close) close_converter;
  decltype(&::ucnv_toUChars) converter_to_utf16;
  decltype(&::ucnv_setToUCallBack) set_to_utf16_callback;
  UConverterToUCallback to_utf16_stop;  // the callback that stops at an undefined sequence
  decltype(&::ucol_open) open_collator;
  decltype(&::ucol_close) close_collator;
  decltype(&::ucol_setStrength) set_strength;
  decltype(&::ucol_strcoll) collate;
};

// ICU, loaded on the first call. Throws Error naming the library when it cannot be loaded.
const IcuFunctions& Icu();

struct IcuConverterCloser {
  void operator()(UConverter* converter) const { Icu().close_converter(converter); }
};
using IcuConverter = std::unique_ptr<UConverter, IcuConverterCloser>;

// The converter for the charset `name` that stops at a byte sequence the charset does not
// define instead of substituting one; null when ICU knows no such charset.
IcuConverter OpenIcuConverter(const char* name);

// `bytes` in the converter's charset as UTF-16; false when they are not valid in it.
bool ConvertToUtf16(UConverter* converter, std::string_view bytes, std::u16string& out);
// UTF-16 as UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace polyverb
