#include "platform/Icu.h"

#include <dlfcn.h>

#include "platform/Error.h"

// ICU's headers rename every function after its version (u_tolower_72): the names to look
// up are those the macros give.
#define POLYVERB_ICU_NAME(function) POLYVERB_ICU_STRING(function)
#define POLYVERB_ICU_STRING(name) #name

namespace polyverb {
namespace {

void* OpenLibrary(const char* stem) {
  const std::string name = std::string(stem) + ".so." U_ICU_VERSION_SHORT;
  // Kept for the life of the process: ICU's caches live as long.
  void* library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    throw Error("Cannot load the ICU library " + name + ": " + std::string(::dlerror()));
  return library;
}

template <class Function>
void Resolve(void* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(::dlsym(library, name));
  if (out == nullptr) throw Error(std::string("The ICU library has no function ") + name);
}

IcuFunctions Load() {
  void* uc = OpenLibrary("libicuuc");
  void* i18n = OpenLibrary("libicui18n");
  IcuFunctions f{};
  Resolve(uc, POLYVERB_ICU_NAME(u_tolower), f.to_lower);
  Resolve(uc, POLYVERB_ICU_NAME(u_strFromUTF8), f.from_utf8);
  Resolve(uc, POLYVERB_ICU_NAME(u_strToUTF8WithSub), f.to_utf8);
  Resolve(uc, POLYVERB_ICU_NAME(u_strFoldCase), f.fold_case);
  Resolve(uc, POLYVERB_ICU_NAME(u_strCompare), f.compare);
  Resolve(uc, POLYVERB_ICU_NAME(uloc_getDefault), f.default_locale);
  Resolve(uc, POLYVERB_ICU_NAME(ucnv_open), f.open_converter);
  Resolve(uc, POLYVERB_ICU_NAME(ucnv_close), f.close_converter);
  Resolve(uc, POLYVERB_ICU_NAME(ucnv_toUChars), f.converter_to_utf16);
  Resolve(uc, POLYVERB_ICU_NAME(ucnv_setToUCallBack), f.set_to_utf16_callback);
  Resolve(uc, POLYVERB_ICU_NAME(UCNV_TO_U_CALLBACK_STOP), f.to_utf16_stop);
  Resolve(i18n, POLYVERB_ICU_NAME(ucol_open), f.open_collator);
  Resolve(i18n, POLYVERB_ICU_NAME(ucol_close), f.close_collator);
  Resolve(i18n, POLYVERB_ICU_NAME(ucol_setStrength), f.set_strength);
  Resolve(i18n, POLYVERB_ICU_NAME(ucol_strcoll), f.collate);
  return f;
}

}  // namespace

const IcuFunctions& Icu() {
  static const IcuFunctions kFunctions = Load();
  return kFunctions;
}

IcuConverter OpenIcuConverter(const char* name) {
  const IcuFunctions& icu = Icu();
  UErrorCode status = U_ZERO_ERROR;
  IcuConverter converter(icu.open_converter(name, &status));
  if (U_FAILURE(status)) return nullptr;
  icu.set_to_utf16_callback(converter.get(), icu.to_utf16_stop, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

bool ConvertToUtf16(UConverter* converter, std::string_view bytes, std::u16string& out) {
  const auto length = static_cast<int32_t>(bytes.size());
  // A byte gives at most two UTF-16 units in every charset; one more for the terminator.
  out.resize(bytes.size() * 2 + 1);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = Icu().converter_to_utf16(
      converter, out.data(), static_cast<int32_t>(out.size()), bytes.data(), length, &status);
  if (U_FAILURE(status)) return false;
  out.resize(static_cast<std::size_t>(n));
  return true;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  const IcuFunctions& icu = Icu();
  // A UTF-16 unit gives at most three UTF-8 bytes.
  std::string out(text.size() * 3 + 1, '\0');
  int32_t n = 0;
  UErrorCode status = U_ZERO_ERROR;
  icu.to_utf8(out.data(), static_cast<int32_t>(out.size()), &n, text.data(),
              static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) throw Error("Cannot encode text as UTF-8");
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace polyverb
