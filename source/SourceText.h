// A Pascal source file as the scanner reads it: one buffer holding the file's bytes and
// a view per line into it, so no line is copied.
//
// Line rules: CR LF, a lone CR and a lone LF each end a line; a line end at the very end
// of the text adds no empty line; an empty text has no lines. A text holding a NUL byte
// is refused: it is not Pascal source, and cutting it at the NUL would lose the rest of
// the file when it is written back. A UTF-8 byte-order mark at the start belongs to no
// line: the first line starts after it (a rewrite puts it back, see HasByteOrderMark).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ByteBuffer.h"

namespace polyverb {

// The number of lines of `text`, counted without splitting it (at memory speed).
std::size_t CountLines(std::string_view text);
// Puts the lines of `text`, as views into it without their line ends, at `out`.
// REQUIRES: `out` has room for CountLines(text) views.
void SplitLinesInto(std::string_view text, std::string_view* out);
// The lines of `text`, as views into it, without their line ends.
std::vector<std::string_view> SplitLines(std::string_view text);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

class SourceText {
 public:
  // Takes the bytes of the file called `name` (the name only words the error). Throws
  // Error "Source file NAME contains a NUL byte at offset N; it is not a text file" (N the
  // 0-based offset of the first NUL), or "Source file NAME is too large (N bytes)" when a
  // column could not be counted in 32 bits.
  SourceText(ByteBuffer bytes, std::string_view name);
  SourceText(std::string_view bytes, std::string_view name);

  // Moving keeps the line views valid: the buffers themselves never move.
  SourceText(SourceText&&) noexcept = default;
  SourceText& operator=(SourceText&&) noexcept = default;

  // The file's bytes, the byte-order mark included.
  std::string_view Bytes() const { return bytes_.View(); }
  std::span<const std::string_view> Lines() const { return lines_; }
  // True when the bytes start with a UTF-8 byte-order mark (kUtf8ByteOrderMark).
  bool HasByteOrderMark() const { return has_bom_; }

 private:
  ByteBuffer bytes_;
  ByteBuffer line_table_;  // the views of lines_, counted before they are made
  std::span<const std::string_view> lines_;
  bool has_bom_ = false;
};

// Reads the file at `path`. Throws "Cannot open file PATH: REASON" when it cannot be read
// (also when it is no regular file), and the errors of SourceText's constructor.
SourceText ReadSourceFile(const std::string& path);

}  // namespace polyverb
