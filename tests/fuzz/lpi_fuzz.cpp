// The Lazarus project reader and its package edit over arbitrary bytes. For every input:
//  - it reads or fails with polyverb::Error, nothing else;
//  - a project that reads takes the package edit, which reads again with the same units,
//    holds the package (or held it already), and changes nothing when made a second time.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Error.h"
#include "project/LazarusProject.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace polyverb;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::optional<LazarusProject> project;
  std::string edited;
  try {
    project.emplace(bytes, "/p/fuzz.lpi");
    edited = RequirePackage(bytes, "polyverb_runtime", "/p/fuzz.lpi");
  } catch (const Error&) {
    return 0;
  }
  const LazarusProject again(edited, "/p/fuzz.lpi");
  Check(again.Units() == project->Units());
  Check(again.UnitSearchPath() == project->UnitSearchPath());
  // The package is in the list now (a Count that was garbage may have become shorter).
  Check(edited == bytes || edited.find("polyverb_runtime") != std::string::npos);
  Check(RequirePackage(edited, "POLYVERB_RUNTIME", "/p/fuzz.lpi") == edited);
  return 0;
}
