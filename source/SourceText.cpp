#include "source/SourceText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/Error.h"
#include "platform/Files.h"

namespace polyverb {
namespace {

// Columns are 32-bit and an unterminated literal's NextPos is its line's length plus 2.
constexpr std::size_t kMaxSourceBytes = std::numeric_limits<std::int32_t>::max() - 2;

std::size_t FindOr(std::string_view text, char c, std::size_t from) {
  const auto at = text.find(c, from);
  return at == std::string_view::npos ? text.size() : at;
}

}  // namespace

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  // Each of CR and LF is looked for with memchr-speed searches, and a search is redone
  // only once the line ends have passed its last hit.
  std::size_t pos = 0;
  std::size_t next_cr = FindOr(text, '\r', 0);
  std::size_t next_lf = FindOr(text, '\n', 0);
  while (pos < text.size()) {
    if (next_cr < pos) next_cr = FindOr(text, '\r', pos);
    if (next_lf < pos) next_lf = FindOr(text, '\n', pos);
    const std::size_t end = std::min(next_cr, next_lf);
    lines.push_back(text.substr(pos, end - pos));
    if (end == text.size()) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}

SourceText::SourceText(std::string bytes, std::string_view name)
    : bytes_(std::make_unique<const std::string>(std::move(bytes))) {
  const std::string_view b = *bytes_;
  if (const auto offset = b.find('\0'); offset != std::string_view::npos) {
    throw Error("Source file " + std::string(name) + " contains a NUL byte at offset " +
                std::to_string(offset) + "; it is not a text file");
  }
  if (b.size() > kMaxSourceBytes)
    throw Error("Source file " + std::string(name) + " is too large (" + std::to_string(b.size()) +
                " bytes)");
  has_bom_ = b.starts_with(kUtf8ByteOrderMark);
  lines_ = SplitLines(has_bom_ ? b.substr(kUtf8ByteOrderMark.size()) : b);
}

SourceText ReadSourceFile(const std::string& path) {
  return SourceText(ReadWholeFile(path), path);
}

}  // namespace polyverb
