// Any bytes either read as a PO file or fail with an Error. What was read survives being
// written the way export writes strings and read again, and imports into a language file
// whose own template then reads back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "langfile/LangFileFormat.h"
#include "langfile/PoFile.h"
#include "platform/Error.h"

namespace {

using polyverb::Error;

// A three-string native file in memory: numbers 1 to 3 with texts "a", "b", "c".
std::string NativeBytes() {
  std::unique_ptr<polyverb::TvLangFileEdit> file =
      polyverb::TvLangFileEdit::FromBytes("", "native.lng");
  file->AddIdent(1, "a", 0);
  file->AddIdent(2, "b", 0);
  file->AddIdent(3, "c", 0);
  return file->Serialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  polyverb::PoCatalog catalog;
  try {
    catalog = polyverb::ReadPo(bytes, "fuzz.po");
  } catch (const Error&) {
    return 0;
  }

  std::string written = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
  for (const auto& entry : catalog.entries) {
    if (entry.IsHeader()) continue;
    written += '\n';
    if (entry.msgctxt) polyverb::AppendPoString(written, "msgctxt", *entry.msgctxt);
    polyverb::AppendPoString(written, "msgid", entry.msgid);
    polyverb::AppendPoString(written, "msgstr", entry.msgstr.empty() ? "" : entry.msgstr[0]);
  }
  polyverb::PoCatalog again = polyverb::ReadPo(written, "again.po");  // must not throw
  std::size_t k = 0;
  for (const auto& entry : catalog.entries) {
    if (entry.IsHeader()) continue;
    while (k < again.entries.size() && again.entries[k].IsHeader()) ++k;
    if (k >= again.entries.size()) __builtin_trap();
    const auto& back = again.entries[k++];
    if (back.msgctxt != entry.msgctxt || back.msgid != entry.msgid ||
        back.msgstr[0] != (entry.msgstr.empty() ? "" : entry.msgstr[0]))
      __builtin_trap();
  }

  static const std::string kNative = NativeBytes();
  auto file = polyverb::TvLangFileEdit::FromBytes(kNative, "native.lng");
  try {
    polyverb::ImportPo(*file, catalog, "fuzz.po");
  } catch (const Error&) {
    if (file->Serialize() != kNative) __builtin_trap();  // a failed import changes nothing
    return 0;
  }
  std::string po;
  try {
    po = polyverb::ExportPoTemplate(*file);
  } catch (const Error&) {
    return 0;  // a translation may hold U+0004, which no PO file can carry
  }
  polyverb::ReadPo(po, "template.pot");  // must not throw
  return 0;
}
