#include "source/SourceText.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "platform/Error.h"
#include "platform/Files.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace polyverb {
namespace {

// Columns are 32-bit and an unterminated literal's NextPos is its line's length plus 2.
constexpr std::size_t kMaxSourceBytes = std::numeric_limits<std::int32_t>::max() - 2;

constexpr std::size_t kBlock = 64;

// Bit i of `lf` / `cr`: byte i of the `length` bytes at `p` (at most kBlock) is LF / CR.
// Line ends are found a block at a time, so a line costs a few instructions however it
// ends, and a table sized from the count is filled without searching twice.
inline void LineEndMasks(const char* p, std::size_t length, std::uint64_t& lf, std::uint64_t& cr) {
#if defined(__SSE2__)
  if (length == kBlock) {
    const __m128i nl = _mm_set1_epi8('\n');
    const __m128i ret = _mm_set1_epi8('\r');
    lf = cr = 0;
    for (int i = 0; i < 4; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      const auto shift = static_cast<unsigned>(16 * i);
      lf |= static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, nl))))
            << shift;
      cr |= static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, ret))))
            << shift;
    }
    return;
  }
#endif
  lf = cr = 0;
  for (std::size_t i = 0; i < length; ++i) {
    lf |= static_cast<std::uint64_t>(p[i] == '\n') << i;
    cr |= static_cast<std::uint64_t>(p[i] == '\r') << i;
  }
}

}  // namespace

std::size_t CountLines(std::string_view text) {
  // Line ends = LFs + CRs - the LFs that follow a CR.
  std::size_t ends = 0;
  std::uint64_t cr_before = 0;  // 1 when the byte before the block is a CR
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    std::uint64_t lf, cr;
    LineEndMasks(text.data() + at, std::min(kBlock, text.size() - at), lf, cr);
    ends += static_cast<std::size_t>(std::popcount(lf) + std::popcount(cr) -
                                     std::popcount(lf & ((cr << 1) | cr_before)));
    cr_before = cr >> 63;
  }
  const bool open_last = !text.empty() && text.back() != '\n' && text.back() != '\r';
  return ends + (open_last ? 1 : 0);
}

void SplitLinesInto(std::string_view text, std::string_view* out) {
  std::size_t start = 0;                                           // of the current line
  std::size_t lf_joins = std::numeric_limits<std::size_t>::max();  // where an LF ends no line
  for (std::size_t at = 0; at < text.size(); at += kBlock) {
    std::uint64_t lf, cr;
    LineEndMasks(text.data() + at, std::min(kBlock, text.size() - at), lf, cr);
    for (std::uint64_t ends = lf | cr; ends != 0; ends &= ends - 1) {
      const std::size_t pos = at + static_cast<std::size_t>(std::countr_zero(ends));
      if (pos == lf_joins && text[pos] == '\n') {  // the LF of a CR LF
        start = pos + 1;
        continue;
      }
      std::construct_at(out++, text.data() + start, pos - start);
      start = pos + 1;
      if (text[pos] == '\r') lf_joins = pos + 1;
    }
  }
  if (start < text.size()) std::construct_at(out, text.data() + start, text.size() - start);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines(CountLines(text));
  SplitLinesInto(text, lines.data());
  return lines;
}

SourceText::SourceText(ByteBuffer bytes, std::string_view name) : bytes_(std::move(bytes)) {
  std::string_view b = bytes_.View();
  if (const void* nul = std::memchr(b.data(), 0, b.size()); nul != nullptr) {
    const auto offset = static_cast<const char*>(nul) - b.data();
    throw Error("Source file " + std::string(name) + " contains a NUL byte at offset " +
                std::to_string(offset) + "; it is not a text file");
  }
  if (b.size() > kMaxSourceBytes)
    throw Error("Source file " + std::string(name) + " is too large (" + std::to_string(b.size()) +
                " bytes)");
  has_bom_ = b.starts_with(kUtf8ByteOrderMark);
  if (has_bom_) b.remove_prefix(kUtf8ByteOrderMark.size());
  const std::size_t count = CountLines(b);
  line_table_ = ByteBuffer(count * sizeof(std::string_view));
  auto* views = reinterpret_cast<std::string_view*>(line_table_.Data());
  SplitLinesInto(b, views);
  lines_ = std::span<const std::string_view>(views, count);
}

namespace {
ByteBuffer CopyOf(std::string_view bytes) {
  ByteBuffer buffer(bytes.size());
  if (!bytes.empty()) std::memcpy(buffer.Data(), bytes.data(), bytes.size());
  return buffer;
}
}  // namespace

SourceText::SourceText(std::string_view bytes, std::string_view name)
    : SourceText(CopyOf(bytes), name) {}

SourceText ReadSourceFile(const std::string& path) {
  return SourceText(ReadFileBytes(path), path);
}

}  // namespace polyverb
