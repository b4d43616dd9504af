// The binary form reader and writer over arbitrary bytes (each input is read as a binary
// form: "TPF0" goes in front unless it starts like one). For every input:
//  - it parses or fails with polyverb::Error, nothing else;
//  - what parses is written back byte for byte;
//  - after the wizard's edits (a new TvMLang with a string property, a string property
//    set on the root, an inherited component's property) the written bytes parse again
//    and hold what was set.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "project/BinaryForm.h"
#include "project/FormFile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace polyverb;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!IsBinaryForm(bytes)) bytes.insert(0, "TPF0");
  std::optional<FormFile> form;
  try {
    form.emplace(FormFile::Parse(bytes, "fuzz.dfm"));
  } catch (const Error&) {
    return 0;
  }
  Check(form->Format() != FormFormat::kText);
  Check(form->Write() == bytes);

  const std::string value(std::string_view(bytes).substr(4, 16));
  const std::size_t components = form->Components().size();
  FormObject& added = form->CreateComponent("TvMLang", 2, 2);
  added.SetStringProperty("LangFileName", value);
  form->Root().SetStringProperty("Caption", value);
  const std::string written = form->Write();
  const FormFile again = FormFile::Parse(written, "fuzz.dfm");
  Check(again.Components().size() == components + 1);
  const FormObject& back = *again.Root().Children().back();
  Check(back.Name() == added.Name() && back.ClassName() == "TvMLang");
  Check(back.StringProperty("LangFileName") == value);
  Check(again.Root().StringProperty("Caption") == value);
  Check(again.Write() == written);
  return 0;
}
