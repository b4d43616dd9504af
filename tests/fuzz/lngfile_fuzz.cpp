// Any bytes either load as a language file or fail with an Error; a file that loads
// survives a save and a second load unchanged (the writer's output is always readable).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using polyverb::TvLangFileEdit;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::unique_ptr<TvLangFileEdit> file;
  try {
    file = TvLangFileEdit::FromBytes(bytes, "fuzz.lng");
  } catch (const polyverb::Error&) {
    return 0;
  }
  const std::string saved = file->Serialize();  // must not throw for anything that loaded
  auto again = TvLangFileEdit::FromBytes(saved, "fuzz.lng");
  if (file->IsNew()) return 0;
  if (again->Serialize() != saved || again->Idents().size() != file->Idents().size() ||
      again->TextList() != file->TextList() || again->Props().Groups() != file->Props().Groups())
    __builtin_trap();
  for (std::size_t i = 0; i < file->Idents().size(); ++i)
    if (again->Idents()[i].Text != file->Idents()[i].Text ||
        again->Idents()[i].Number != file->Idents()[i].Number)
      __builtin_trap();
  return 0;
}
