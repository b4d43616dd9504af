// The project-file reader over arbitrary bytes: it reads the uses clause or fails with
// polyverb::Error, never anything else; every entry lies on a line of the source and its
// name is written there as given.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/Text.h"
#include "project/ProjectFile.h"
#include "source/SourceText.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace polyverb;
  std::optional<SourceText> text;
  try {
    text.emplace(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dpr");
  } catch (const Error&) {
    return 0;
  }
  std::vector<UsesEntry> entries;
  try {
    entries = ParseProjectUses(*text, "fuzz.dpr");
  } catch (const Error&) {
    return 0;
  }
  const auto lines = text->Lines();
  for (const UsesEntry& entry : entries) {
    Check(entry.line >= 0 && static_cast<std::size_t>(entry.line) < lines.size());
    Check(!entry.name.empty() && entry.name.front() != '.' && entry.name.back() != '.');
    // The name's first part stands on the entry's line, in the source's letter case.
    const std::string first = entry.name.substr(0, entry.name.find('.'));
    Check(lines[static_cast<std::size_t>(entry.line)].find(first) != std::string_view::npos);
  }
  return 0;
}
