// The form-file reader and writer over arbitrary bytes (text forms mostly; binform_fuzz
// reads every input as a binary form). For every input:
//  - it parses or fails with polyverb::Error, nothing else;
//  - what parses is written back byte for byte;
//  - after the wizard's edits (a new TvMLang, a string property set on it and on the
//    root) the written text parses again and holds what was set;
//  - all of this read as a Delphi form (.dfm) and as a Lazarus form (.lfm).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "project/FormFile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Exercise(std::string_view bytes, std::string_view name) {
  using namespace polyverb;
  std::optional<FormFile> form;
  try {
    form.emplace(FormFile::Parse(bytes, name));
  } catch (const Error&) {
    return;
  }
  Check(!form->Modified());
  Check(form->Write() == bytes);

  // The value uses the first bytes of the input, so quoting meets every byte.
  const std::string value(bytes.substr(0, 16));
  const std::size_t components = form->Components().size();
  FormObject& added = form->CreateComponent("TvMLang", 2, 2);
  added.SetStringProperty("LangFileName", value);
  form->Root().SetStringProperty("Caption", value);
  const std::string written = form->Write();
  FormFile again = FormFile::Parse(written, name);
  Check(again.Components().size() == components + 1);
  const FormObject& back = *again.Root().Children().back();
  Check(back.Name() == added.Name() && back.ClassName() == "TvMLang");
  // A text form: set as bytes, read back as the code points they decode to. A binary
  // form stores bytes that are not UTF-8 as they are.
  const std::string decoded =
      IsValidUtf8(value) || form->Format() != FormFormat::kText ? value : DecodeToUtf8(value);
  Check(back.StringProperty("LangFileName") == decoded);
  Check(again.Root().StringProperty("Caption") == decoded);
  Check(again.Write() == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Exercise(bytes, "fuzz.dfm");
  Exercise(bytes, "fuzz.lfm");
  return 0;
}
